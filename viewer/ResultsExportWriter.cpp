#include "viewer/ResultsExportWriter.h"

#include "core/app/GlobalConstants.h"
#include "core/util/StringUtils.h"
#include "core/util/Utf8Writer.h"
#include "core/xml/XmlEntities.h"
#include "tmx_engine/SegmentRenderer.h"
#include "tmx_engine/TmxEntry.h"
#include "tmx_engine/TmxEntryProvider.h"

#include <memory>

namespace {

// Writes one quoted attribute: ` name="value"` with the value escaped, so that a tuid or a
// language code holding a quote, '&' or '<' keeps the file well-formed, and one holding a tab
// or a line break reads back with it.
class AttributeWriter {
public:
    explicit AttributeWriter(Utf8Writer& out) : out_(out) {}

    void write(const wchar_t* name, const std::wstring& value) {
        out_.write(name, std::char_traits<wchar_t>::length(name));
        out_.writeLiteral(L"=\"");
        escaped_.clear();
        escapeXml(escaped_, value, kXmlEscapeAttribute);
        out_.write(escaped_);
        out_.writeLiteral(L"\"");
    }

    // A date attribute only for a date that is set: the zero date is no date.
    void writeDate(const wchar_t* name, const PackedDate& date) {
        if (!date.isZero())
            write(name, formatPackedDate(date));
    }

private:
    Utf8Writer& out_;
    std::wstring escaped_; // reused, so that escaping allocates only while it grows
};

void writeTmxHeader(Utf8Writer& out, AttributeWriter& attributes, const ResultsExportInput& input) {
    out.writeLiteral(L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<tmx version=\"1.4\">\r\n  <header");
    attributes.writeDate(L" creationdate", input.now);
    out.writeLiteral(L" creationtool=\"Varnel Pro\" creationtoolversion=\"");
    out.writeLiteral(kProgramVersion);
    // o-tmf and adminlang are required by TMX 1.4: strict importers refuse a header without them.
    out.writeLiteral(L"\" datatype=\"xml\" segtype=\"sentence\" o-tmf=\"Varnel\"");
    attributes.write(L" adminlang", input.adminLanguage.empty() ? std::wstring(L"en") : input.adminLanguage);
    attributes.write(L" srclang", input.provider->sourceLanguage().srcLang);
    out.writeLiteral(L"></header>\r\n  <body>\r\n");
}

void writeTmxEntry(Utf8Writer& out, AttributeWriter& attributes, const ResultsExportInput& input,
                   const TmxEntry& entry) {
    const std::wstring& sourceLanguage = input.provider->sourceLanguage().srcLang;
    out.writeLiteral(L"    <tu");
    attributes.writeDate(L" changedate", entry.changeDate);
    attributes.write(L" changeid", entry.changeId);
    attributes.writeDate(L" creationdate", entry.creationDate);
    attributes.write(L" creationid", entry.creationId);
    attributes.write(L" srclang", entry.sourceLanguage);
    attributes.write(L" tuid", entry.tuid);
    out.writeLiteral(L">\r\n      <tuv");
    attributes.write(L" xml:lang", sourceLanguage);
    out.writeLiteral(L">\r\n        <seg>");
    out.write(renderSegmentXml(findSegment(entry, entry.sourceLanguage).segment));
    out.writeLiteral(L"</seg>\r\n      </tuv>\r\n      <tuv");
    attributes.write(L" xml:lang", input.targetLanguage);
    out.writeLiteral(L">\r\n        <seg>");
    out.write(renderSegmentXml(findSegment(entry, input.targetLanguage).segment));
    out.writeLiteral(L"</seg>\r\n      </tuv>\r\n    </tu>\r\n");
}

void writeTextEntry(Utf8Writer& out, const ResultsExportInput& input, const TmxEntry& entry) {
    out.write(renderSegmentText(findSegment(entry, entry.sourceLanguage).segment, true, false));
    out.writeLiteral(L"\t");
    out.write(renderSegmentText(findSegment(entry, input.targetLanguage).segment, true, false));
    out.writeLiteral(L"\r\n");
}

} // namespace

bool hasTmxSuffix(const std::wstring& path) {
    return path.size() >= 4 && path.compare(path.size() - 4, 4, L".tmx") == 0;
}

ExportFormat exportFormatFor(const std::wstring& path) {
    return hasTmxSuffix(toLowerCase(path)) ? ExportFormat::Tmx : ExportFormat::Text;
}

bool writeResults(ExportFormat format, ByteSink& sink, const ResultsExportInput& input,
                  const ExportProgress& progress, ResultsExportCount* count) {
    ResultsExportCount counted;
    if (!input.provider || !input.results || input.results->empty()) {
        if (count)
            *count = counted;
        return true;
    }
    Utf8Writer out(sink);
    AttributeWriter attributes(out);
    if (format == ExportFormat::Tmx)
        writeTmxHeader(out, attributes, input);

    const std::vector<SearchResult>& results = *input.results;
    const uint64_t n = results.size();
    int reported = 0;
    for (uint64_t k = 0; k < n && !out.failed(); ++k) {
        const int percent = static_cast<int>((k + 1) * 100 / n);
        if (percent != reported) {
            reported = percent;
            if (progress)
                progress(percent);
        }
        // A copy of our own, so that an export of many results does not leave every entry it
        // wrote parsed in the provider's memory.
        const std::unique_ptr<TmxEntry> entry = input.provider->readEntryUncached(results[k].entryId);
        if (!entry) {
            ++counted.entriesSkipped;
            continue;
        }
        if (format == ExportFormat::Tmx)
            writeTmxEntry(out, attributes, input, *entry);
        else
            writeTextEntry(out, input, *entry);
        ++counted.entriesWritten;
    }

    if (format == ExportFormat::Tmx)
        out.writeLiteral(L"  </body>\r\n</tmx>\r\n");
    const bool written = out.finish() && !out.failed();
    if (count)
        *count = counted;
    return written;
}
