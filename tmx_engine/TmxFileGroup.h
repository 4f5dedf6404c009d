#pragma once

#include "core/threads/Lockable.h"
#include "tmx_engine/TmxEntryProvider.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TmxFile;

// Several TMX files searched as one, as a .plexa group file lists them: up to 64 members, each
// with a short name and a colour. An entry's id carries its member: (entry number in the member
// << 6) | member number.
class TmxFileGroup : public TmxEntryProvider {
public:
    static constexpr size_t kMaxMembers = 64;
    static constexpr uint32_t kMemberBits = 6;
    static constexpr uint32_t kMemberMask = 63;

    TmxFileGroup();
    ~TmxFileGroup() override;
    TmxFileGroup(const TmxFileGroup&) = delete;
    TmxFileGroup& operator=(const TmxFileGroup&) = delete;

    // Reads the group file and loads its members: kLoadGroupUnreadable when the group file cannot
    // be read or is not well-formed, kLoadGroupWithoutEntries when no member holds an entry,
    // kLoadGroupMembersRefused for no members, more than 64, or members with different source
    // languages; a member's own failure code for the first member that failed (the members
    // loaded before it stay).
    LoadCode load(const std::wstring& path) override;
    // Handed to every member as it loads; a stop ends the group's load with the member's
    // kLoadIndexFailed.
    void setStopFlag(const std::atomic<bool>* flag) override { stopFlag_ = flag; }
    // 0 when no load runs; else over all members, from another thread.
    int loadProgress() override;

    const TmxHeader& sourceLanguage() const override { return header_; }
    const LanguageMap& languages() const override { return languages_; }
    const std::vector<std::wstring>& memberNames() const override { return names_; }
    const std::wstring& memberName(uint32_t id) const override;
    uint32_t memberColor(uint32_t id) const override;
    uint32_t entryCount() const override;
    const TmxEntry* readEntry(uint32_t id) override;
    std::unique_ptr<TmxEntry> readEntryUncached(uint32_t id) override;
    uint32_t entryOffset(uint32_t id) const override;
    int fileCount() const override { return static_cast<int>(members_.size()); }
    // Searches every member in order and adds their results with composed ids; returns the sum of
    // the members' candidate counts. strongMatch: any member's.
    int search(const std::wstring& language, const std::vector<SegmentElement>& includeTokens,
               const std::vector<SegmentElement>& excludeTokens, uint32_t budget, bool& strongMatch,
               SearchResults& results) override;

    static uint32_t composeId(uint32_t entry, uint32_t member) { return (entry << kMemberBits) | member; }

private:
    // The codes of load, without kLoadGroupUnreadable.
    LoadCode loadMembers(const std::vector<std::wstring>& paths, const std::vector<std::wstring>& names,
                         const std::vector<uint32_t>& colors);
    TmxFile* memberFor(uint32_t id) const;
    void mergeHeader(const TmxHeader& header);
    void addLanguages(const LanguageMap& languages);

    Lockable lock_;
    const std::atomic<bool>* stopFlag_ = nullptr;
    // Guarded by lock_ while a load runs: members finished, paths of the running load (0 when
    // none), and the member list itself (the poll reads its last member).
    int finished_ = 0;
    int pathCount_ = 0;
    // Whether the last member is still loading (its own progress then counts), and the
    // highest progress reported during this load: the poll never sees it fall.
    bool memberLoading_ = false;
    int reported_ = 0;
    std::vector<std::unique_ptr<TmxFile>> members_;
    std::vector<std::wstring> names_;
    std::vector<uint32_t> colors_;
    TmxHeader header_;
    LanguageMap languages_;
};
