#include "tmx_engine/TmxFileGroup.h"

#include "tmx_engine/GroupFileReader.h"
#include "tmx_engine/TmxFile.h"
#include "tmx_engine/TmxFileGroupParser.h"
#include "tmx_engine/TmxIndexBuilder.h"

#include <algorithm>
#include <new>

namespace {

const std::wstring kNoName;

} // namespace

TmxFileGroup::TmxFileGroup() = default;

TmxFileGroup::~TmxFileGroup() = default;

LoadCode TmxFileGroup::load(const std::wstring& path) {
    if (!members_.empty() || !names_.empty() || !colors_.empty())
        return kAlreadyLoaded;
    GroupFileMembers group;
    if (!readGroupFile(path, group))
        return kLoadGroupUnreadable;
    return loadMembers(group.fullPaths, group.names, group.colors);
}

LoadCode TmxFileGroup::loadMembers(const std::vector<std::wstring>& paths, const std::vector<std::wstring>& names,
                                   const std::vector<uint32_t>& colors) {
    if (paths.empty() || paths.size() > kMaxMembers)
        return kLoadGroupMembersRefused;
    LoadCode result = kLoaded;
    {
        ScopedLock guard(lock_);
        finished_ = 0;
        pathCount_ = static_cast<int>(paths.size());
        memberLoading_ = false;
        reported_ = 0;
    }
    std::vector<std::wstring> keptNames;
    std::vector<uint32_t> keptColors;
    bool haveHeader = false;
    try {
        for (size_t i = 0; i < paths.size(); ++i) {
            TmxFile* member = nullptr;
            {
                auto fresh = std::make_unique<TmxFile>();
                fresh->setStopFlag(stopFlag_);
                member = fresh.get();
                ScopedLock guard(lock_);
                members_.push_back(std::move(fresh));
                memberLoading_ = true;
            }
            const LoadCode code = member->load(paths[i]);
            {
                // From here the member counts as finished, not by its own progress.
                ScopedLock guard(lock_);
                memberLoading_ = false;
            }
            if (code != kLoaded || member->entryCount() == 0) {
                ScopedLock guard(lock_);
                members_.pop_back();
                if (code != kLoaded) {
                    result = code;
                    break;
                }
                // A member without entries gives its number, name and colour to the next one.
                ++finished_;
                continue;
            }
            keptNames.push_back(i < names.size() ? names[i] : std::wstring());
            keptColors.push_back(i < colors.size() ? colors[i] : kNoGroupColor);
            if (!haveHeader) {
                header_ = member->sourceLanguage();
                haveHeader = true;
            } else if (member->sourceLanguage().srcLang != header_.srcLang) {
                // Searches run in one source language: such a group cannot be opened.
                header_.srcLang.clear();
                result = kLoadGroupMembersRefused;
                continue;
            } else {
                mergeHeader(member->sourceLanguage());
            }
            addLanguages(member->languages());
            ScopedLock guard(lock_);
            ++finished_;
        }
    } catch (const std::bad_alloc&) {
        result = kLoadIndexFailed;
    }
    if (result == kLoaded && members_.empty())
        result = kLoadGroupWithoutEntries;
    names_ = std::move(keptNames);
    colors_ = std::move(keptColors);
    ScopedLock guard(lock_);
    finished_ = 0;
    pathCount_ = 0;
    memberLoading_ = false;
    reported_ = 0;
    return result;
}

void TmxFileGroup::mergeHeader(const TmxHeader& header) {
    // What the members do not share, the group does not claim.
    if (!header.creationDate.equals(header_.creationDate))
        header_.creationDate = PackedDate();
    if (header.creationTool != header_.creationTool)
        header_.creationTool.clear();
    if (header.creationToolVersion != header_.creationToolVersion)
        header_.creationToolVersion.clear();
    if (header.version != header_.version)
        header_.version.clear();
    if (header.oTmf != header_.oTmf)
        header_.oTmf.clear();
}

void TmxFileGroup::addLanguages(const LanguageMap& languages) {
    for (const auto& language : languages) {
        if (languages_.count(language.first) != 0)
            continue;
        const wchar_t prefix = static_cast<wchar_t>(
            static_cast<uint16_t>(TmxIndexBuilder::kFirstLanguagePrefix + languages_.size()));
        languages_.emplace(language.first, prefix);
    }
}

int TmxFileGroup::loadProgress() {
    ScopedLock guard(lock_);
    if (pathCount_ == 0)
        return 0;
    const int k = finished_;
    const int n = pathCount_;
    // A member that has ended counts in k alone; between members nothing else counts, so the
    // next member's start at 0 takes nothing back.
    const int q = memberLoading_ && !members_.empty() ? members_.back()->loadProgress() : 0;
    int progress = k + 1 == n && q == 100 ? 100 : (q + 100 * k) / n;
    if (progress == 0)
        progress = 1;
    if (progress > 100)
        progress = 100;
    reported_ = std::max(reported_, progress);
    return reported_;
}

TmxFile* TmxFileGroup::memberFor(uint32_t id) const {
    const uint32_t member = id & kMemberMask;
    return member < members_.size() ? members_[member].get() : nullptr;
}

const std::wstring& TmxFileGroup::memberName(uint32_t id) const {
    const uint32_t member = id & kMemberMask;
    return member < names_.size() ? names_[member] : kNoName;
}

uint32_t TmxFileGroup::memberColor(uint32_t id) const {
    const uint32_t member = id & kMemberMask;
    return member < colors_.size() ? colors_[member] : kNoGroupColor;
}

uint32_t TmxFileGroup::entryCount() const {
    uint32_t count = 0;
    for (const auto& member : members_)
        count += member->entryCount();
    return count;
}

const TmxEntry* TmxFileGroup::readEntry(uint32_t id) {
    TmxFile* member = memberFor(id);
    return member ? member->readEntry(id >> kMemberBits) : nullptr;
}

std::unique_ptr<TmxEntry> TmxFileGroup::readEntryUncached(uint32_t id) {
    TmxFile* member = memberFor(id);
    return member ? member->readEntryUncached(id >> kMemberBits) : nullptr;
}

uint32_t TmxFileGroup::entryOffset(uint32_t id) const {
    const TmxFile* member = memberFor(id);
    if (!member || (id >> kMemberBits) >= member->entryCount())
        return 0;
    return member->entryOffset(id >> kMemberBits);
}

int TmxFileGroup::search(const std::wstring& language, const std::vector<SegmentElement>& includeTokens,
                         const std::vector<SegmentElement>& excludeTokens, uint32_t budget,
                         bool& strongMatch, SearchResults& results) {
    strongMatch = false;
    int candidates = 0;
    for (size_t i = 0; i < members_.size(); ++i) {
        SearchResults own;
        bool strong = false;
        candidates += members_[i]->search(language, includeTokens, excludeTokens, budget, strong, own);
        if (strong)
            strongMatch = true;
        for (const SearchResult& result : own)
            results.add(result.score, composeId(result.entryId, static_cast<uint32_t>(i)));
    }
    return candidates;
}
