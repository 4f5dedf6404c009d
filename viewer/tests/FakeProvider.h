#pragma once

// An in-memory provider for the viewer's tests: entries built in the test, entries that cannot be
// read, group members, and a search that records what it was asked and answers from a list.

#include "tmx_engine/Segment.h"
#include "tmx_engine/TmxEntryProvider.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace viewertest {

// A segment cut by the engine's own rule, as a parsed entry holds it.
inline Segment segmentOf(const std::wstring& text) {
    Segment segment;
    appendSegmentText(segment, text);
    return segment;
}

class FakeProvider : public TmxEntryProvider {
public:
    explicit FakeProvider(const std::wstring& sourceLanguage = L"en-GB") {
        header_.srcLang = sourceLanguage;
    }

    // Adds an entry with a source and a target segment and returns its id.
    uint32_t addEntry(const std::wstring& source, const std::wstring& targetLanguage,
                      const std::wstring& target, const std::wstring& tuid = L"") {
        auto entry = std::make_unique<TmxEntry>();
        entry->tuid = tuid;
        entry->sourceLanguage = header_.srcLang;
        segmentForLanguage(*entry, header_.srcLang).segment = segmentOf(source);
        segmentForLanguage(*entry, targetLanguage).segment = segmentOf(target);
        languages_[targetLanguage] = L'a';
        entries_.push_back(std::move(entry));
        members_.push_back(0);
        return static_cast<uint32_t>(entries_.size() - 1);
    }
    TmxEntry& entry(uint32_t id) { return *entries_[id]; }
    // The entry reads as null from now on, as a damaged unit does.
    void makeUnreadable(uint32_t id) { unreadable_[id] = true; }

    // A group: member names with their colours; entries are given to members by setMember.
    void setMembers(const std::vector<std::wstring>& names, const std::vector<uint32_t>& colors) {
        memberNames_ = names;
        memberColors_ = colors;
    }
    void setMember(uint32_t id, uint32_t member) { members_[id] = member; }

    // What search answers: every id with a score, in the order given.
    std::vector<uint32_t> searchAnswer;
    // What search was last asked.
    std::wstring searchedLanguage;
    std::vector<SegmentElement> searchedInclude;
    std::vector<SegmentElement> searchedExclude;
    uint32_t searchedBudget = 0;
    int searchCalls = 0;

    LoadCode load(const std::wstring&) override { return kLoaded; }
    int loadProgress() override { return 100; }
    const TmxHeader& sourceLanguage() const override { return header_; }
    const LanguageMap& languages() const override { return languages_; }
    const std::vector<std::wstring>& memberNames() const override { return memberNames_; }
    const std::wstring& memberName(uint32_t id) const override {
        static const std::wstring none;
        const uint32_t member = id < members_.size() ? members_[id] : 0;
        return member < memberNames_.size() ? memberNames_[member] : none;
    }
    uint32_t memberColor(uint32_t id) const override {
        const uint32_t member = id < members_.size() ? members_[id] : 0;
        return member < memberColors_.size() ? memberColors_[member] : 0xEEEEEEEE;
    }
    uint32_t entryCount() const override { return static_cast<uint32_t>(entries_.size()); }
    const TmxEntry* readEntry(uint32_t id) override {
        if (id >= entries_.size() || unreadable_.count(id))
            return nullptr;
        return entries_[id].get();
    }
    uint32_t entryOffset(uint32_t id) const override { return id * 100; }
    int fileCount() const override { return memberNames_.empty() ? 1 : static_cast<int>(memberNames_.size()); }
    int search(const std::wstring& language, const std::vector<SegmentElement>& include,
               const std::vector<SegmentElement>& exclude, uint32_t budget, bool& strongMatch,
               SearchResults& results) override {
        ++searchCalls;
        searchedLanguage = language;
        searchedInclude = include;
        searchedExclude = exclude;
        searchedBudget = budget;
        strongMatch = !searchAnswer.empty();
        int32_t score = 100000;
        for (uint32_t id : searchAnswer)
            results.add(score--, id);
        return static_cast<int>(searchAnswer.size());
    }

private:
    TmxHeader header_;
    LanguageMap languages_;
    std::vector<std::unique_ptr<TmxEntry>> entries_;
    std::map<uint32_t, bool> unreadable_;
    std::vector<std::wstring> memberNames_;
    std::vector<uint32_t> memberColors_;
    std::vector<uint32_t> members_;
};

} // namespace viewertest
