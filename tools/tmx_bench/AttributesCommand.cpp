#include "core/xml/XmlAttributes.h"
#include "core/xml/XmlMemoryStream.h"
#include "core/xml/XmlParser.h"
#include "tools/tmx_bench/BenchCommands.h"
#include "tools/tmx_bench/BenchSupport.h"

#include <cstdlib>
#include <string>

namespace {

// Lists every attribute of each start tag, as a reader that walks them does.
class AttributeLister : public XmlParser {
public:
    size_t listed = 0;
    void startElement(const std::wstring&, const XmlAttributes& attributes, bool) override {
        for (size_t i = 0; i < attributes.size(); ++i)
            listed += attributes.nameAt(i).size() > 0 ? 1 : 0;
    }
};

} // namespace

int commandAttributes(const std::vector<std::wstring>& args) {
    if (args.empty())
        return -1;
    const long count = std::wcstol(args[0].c_str(), nullptr, 10);
    if (count <= 0)
        return -1;
    // Names in falling order: each new one sorts before all the others.
    std::wstring text = L"<tu";
    for (long i = count; i > 0; --i)
        text += L" a" + std::to_wstring(i) + L"=\"" + std::to_wstring(i % 10) + L"\"";
    text += L"/>";
    bench::print("attributes", static_cast<uint64_t>(count));
    bench::print("document_bytes", static_cast<uint64_t>(text.size() * sizeof(wchar_t)));
    AttributeLister lister;
    XmlMemoryStream stream(text.c_str(), 2, static_cast<int32_t>(text.size() * sizeof(wchar_t)));
    bench::Stopwatch watch;
    const bool parsed = lister.parse(stream);
    bench::print("parse_and_list_ms", bench::fixed(watch.microseconds() / 1000.0, 1));
    bench::print("parsed", static_cast<uint64_t>(parsed ? 1 : 0));
    bench::print("listed", static_cast<uint64_t>(lister.listed));
    return parsed && lister.listed == static_cast<size_t>(count) ? 0 : 1;
}
