#pragma once

#include "core/xml/XmlFileStream.h"
#include "tmx_engine/TmxEntrySink.h"
#include "tmx_engine/TmxParser.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace indextest {

// The entries of a memory as the parser hands them on, numbered as the index numbers them, with
// nothing of the index builder in between.
class PlainEntries : public TmxEntrySink {
public:
    using Visit = std::function<void(uint32_t entry, wchar_t prefix, const std::vector<SegmentElement>& segment)>;

    bool read(const std::wstring& path, const Visit& visit) {
        visit_ = visit;
        XmlFileStream stream(path, 0);
        TmxParser parser(*this);
        parser.requireTmxRoot();
        return !stream.hadError() && parser.parse(stream) && !stream.hadError() && parser.readTmxRoot();
    }

    TmxHeader& header() override { return header_; }
    uint16_t languageMode() const override { return 1; }
    void enterLanguage(const std::wstring& code) override {
        if (!prefixes_.count(code))
            prefixes_.emplace(code, static_cast<wchar_t>(0xFF22 + prefixes_.size()));
    }
    wchar_t prefixOf(const std::wstring& code) override {
        const auto it = prefixes_.find(code);
        return it == prefixes_.end() ? 0 : it->second;
    }
    void addEntry(const std::wstring& language, const std::vector<SegmentElement>& segment, wchar_t prefix,
                  uint32_t) override {
        if (segment.empty() || language != header_.srcLang)
            return;
        visit_(count_++, prefix, segment);
    }

    uint32_t count() const { return count_; }
    const std::map<std::wstring, wchar_t>& prefixes() const { return prefixes_; }

private:
    TmxHeader header_;
    std::map<std::wstring, wchar_t> prefixes_;
    uint32_t count_ = 0;
    Visit visit_;
};

} // namespace indextest
