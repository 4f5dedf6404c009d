// mutation_run: seeded mutants of real input against the readers, with the outcomes counted
// and printed as "key: value" lines. A developer tool; not shipped. A fault is a mutant that
// cost the user something (a changed file after a failed save, an edit lost, a font of an
// insane size, an announcement box beyond bounds); each is written beside the tool's folder
// as mutant-KIND-N for a look.
//
//   mutation_run documents FILE.xlf COUNT [SEED]   open, edit, save and read back each mutant
//   mutation_run settings COUNT [SEED]             load each mutant of a settings file, read it
//   mutation_run reply COUNT [SEED]                parse each mutant of an update reply text
//   mutation_run http COUNT [SEED]                 each mutant of a whole reply, from a loopback
//                                                  server, through the real client

#include "core/http/HttpRequest.h"
#include "core/resources/Scrambling.h"
#include "core/settings/Settings.h"
#include "core/tests/ByteMutator.h"
#include "core/tests/LoopbackHttpServer.h"
#include "core/tests/TestFiles.h"
#include "viewer/UpdateCheck.h"
#include "viewer/documents/tests/DocumentExercise.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

struct Counts {
    std::map<std::string, int> outcomes;
    int faults = 0;
    void add(const std::string& outcome) { ++outcomes[outcome]; }
    void print(const char* kind, int count, uint32_t seed, ULONGLONG ms) const {
        std::printf("kind: %s\nmutants: %d\nseed: %u\nms: %llu\n", kind, count, seed, ms);
        for (const auto& entry : outcomes)
            std::printf("%s: %d\n", entry.first.c_str(), entry.second);
        std::printf("faults: %d\n", faults);
    }
};

void keep(const char* kind, int index, const std::string& bytes) {
    testfiles::writeText(L"mutant-" + testfiles::widen(kind) + L"-" + std::to_wstring(index), bytes);
}

int runDocuments(const std::wstring& path, int count, uint32_t seed, Counts& counts) {
    const std::string original = testfiles::readText(path);
    if (original.empty()) {
        std::fprintf(stderr, "cannot read the document\n");
        return 1;
    }
    ByteMutator mutator(seed);
    for (int i = 0; i < count; ++i) {
        const std::string mutant = mutator.mutate(original);
        testfiles::TempDir dir(L"mutdoc");
        const doctest::DocumentRun run = doctest::exerciseDocument(dir, L"m.xlf", mutant, 3);
        counts.add(!run.opened ? "refused" : run.saved ? "opened_and_saved" : "opened_save_failed");
        if (!run.fault.empty()) {
            ++counts.faults;
            counts.add("fault " + run.fault);
            keep("document", i, mutant);
        }
    }
    return 0;
}

// A settings file as Varnel writes it after some use.
std::string realSettingsFile() {
    Settings settings;
    settings.set<winui::Font>(L"font", winui::Font(L"Tahoma", 9.75f, 0));
    settings.set<winui::Font>(L"tmColFont", winui::Font(L"Arial", 8.0f, winui::FontBold));
    settings.set<std::wstring>(L"UILanguage", L"Deutsch");
    settings.set<std::wstring>(L"UIStyle", L"CX");
    settings.set<winui::Rect>(L"mainFormRect", winui::Rect(120, 80, 1020, 720));
    settings.set<bool>(L"mainFormMaximized", false);
    settings.set<winui::Rect>(L"entryDetailsFormRect", winui::Rect(200, 150, 700, 600));
    settings.set<unsigned long>(L"resultsTextColor", 0x00202020ul);
    settings.set<unsigned long>(L"resultsBgColor1", 0x00FFFFFFul);
    settings.set<unsigned long>(L"resultsBgColor2", 0x00F0F0F0ul);
    settings.set<int>(L"matchedTextStyle", 3);
    settings.set<int>(L"tmColorMode", 0);
    settings.set<int>(L"maxSearchResults", 25);
    settings.set<bool>(L"showTags", true);
    settings.set<std::wstring>(L"tmxOpenFileInitialDir", L"C:\\Users\\me\\Documents\\TM");
    settings.set<FT>(L"lastUpdateCheckDate", FT(0x01DB2C4A12345678ull));
    settings.set<std::wstring>(L"lastUpdateAnnouncementID", L"2025-02-01");
    testfiles::TempDir dir(L"mutcfg");
    const std::wstring path = dir.file(L"Varnel.cfg");
    return settings.saveFile(path) ? testfiles::readText(path) : std::string();
}

bool saneFont(const winui::Font& font) {
    if (font.isNull())
        return true;
    std::wstring face;
    float size = 0;
    uint16_t style = 0;
    font.describe(face, size, style);
    return size >= 0.5f && size <= 201.0f;
}

int runSettings(int count, uint32_t seed, Counts& counts) {
    const std::string original = realSettingsFile();
    if (original.empty()) {
        std::fprintf(stderr, "cannot write a settings file\n");
        return 1;
    }
    std::printf("settings_file_bytes: %u\n", static_cast<unsigned>(original.size()));
    // Every other mutant damages the tree itself (mutated unscrambled, then scrambled again, as
    // an edit of the values would be); the others damage the file's bytes as they lie.
    std::string plain = original;
    unscrambleBytes(reinterpret_cast<uint8_t*>(&plain[0]), plain.size());
    ByteMutator mutator(seed);
    const winui::Font fallback(L"Tahoma", 9.0f, 0);
    testfiles::TempDir dir(L"mutcfg");
    const std::wstring path = dir.file(L"Varnel.cfg");
    for (int i = 0; i < count; ++i) {
        std::string mutant;
        if (i % 2 == 0) {
            mutant = mutator.mutate(plain);
            if (!mutant.empty())
                scrambleBytes(reinterpret_cast<uint8_t*>(&mutant[0]), mutant.size());
        } else {
            mutant = mutator.mutate(original);
        }
        testfiles::writeText(path, mutant);
        Settings settings;
        const char* form = i % 2 == 0 ? "tree_" : "file_";
        if (!settings.loadFile(path)) {
            counts.add(std::string(form) + "refused");
            continue;
        }
        counts.add(std::string(form) + "loaded");
        bool sane = true;
        for (const wchar_t* key : {L"font", L"tmColFont"}) {
            const winui::Font& font = settings.get<winui::Font>(key, fallback);
            if (&font == &fallback && settings.rawValues().count(key))
                counts.add("font_read_as_default");
            sane = sane && saneFont(font);
        }
        settings.get<winui::Rect>(L"mainFormRect", winui::Rect());
        settings.get<int>(L"maxSearchResults", 25);
        settings.get<std::wstring>(L"UILanguage", L"");
        settings.get<FT>(L"lastUpdateCheckDate", FT());
        if (!sane) {
            ++counts.faults;
            counts.add("fault font of an insane size");
            keep("settings", i, mutant);
        }
    }
    return 0;
}

const char kReplyText[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<UpdateInfo>\n"
    "  <AnnouncementID>2025-02-01</AnnouncementID>\n"
    "  <NewVersionInfo>A new version of the program is available: 2.0 with faster search and more "
    "languages.</NewVersionInfo>\n"
    "  <MoreInfoURL>https://example.invalid/news/2.0</MoreInfoURL>\n</UpdateInfo>\n";

void countReply(const UpdateReply& reply, Counts& counts) {
    if (!reply.wellFormed) {
        counts.add("not_well_formed");
        return;
    }
    counts.add(reply.announcementId.empty() ? "well_formed_without_id" : "well_formed_with_id");
    if (shownAnnouncement(reply.newVersionInfo).size() > kMaxAnnouncementChars + 1) {
        ++counts.faults;
        counts.add("fault announcement beyond bounds");
    }
}

int runReply(int count, uint32_t seed, Counts& counts) {
    ByteMutator mutator(seed);
    for (int i = 0; i < count; ++i) {
        const std::string mutant = mutator.mutate(kReplyText);
        countReply(parseUpdateReply(std::wstring(mutant.begin(), mutant.end())), counts);
    }
    return 0;
}

int runHttp(int count, uint32_t seed, Counts& counts) {
    clearProxyEnvironment();
    const std::string body = kReplyText;
    const std::string original = "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\n"
                                 "Content-Length: " + std::to_string(body.size()) +
                                 "\r\nConnection: close\r\n\r\n" + body;
    ByteMutator mutator(seed);
    HttpLimits limits;
    limits.receiveMs = 2000;
    limits.deadlineMs = 5000;
    ULONGLONG longest = 0;
    for (int i = 0; i < count; ++i) {
        const std::string mutant = mutator.mutate(original);
        LoopbackHttpServer server({mutant});
        if (!server.listening()) {
            std::fprintf(stderr, "no loopback server\n");
            return 1;
        }
        HttpRequest request;
        request.setRequestUrl(server.url(L"/update/info.php"));
        request.setLimits(limits);
        const ULONGLONG start = GetTickCount64();
        const bool answered = request.perform();
        const ULONGLONG took = GetTickCount64() - start;
        longest = took > longest ? took : longest;
        if (took > limits.deadlineMs + 1000) {
            ++counts.faults;
            counts.add("fault past the deadline");
            keep("http", i, mutant);
        }
        if (!answered) {
            counts.add("no_reply");
            continue;
        }
        counts.add("reply");
        countReply(parseUpdateReply(request.responseText()), counts);
    }
    std::printf("longest_ms: %llu\n", longest);
    return 0;
}

int usage() {
    std::fprintf(stderr, "usage:\n  mutation_run documents FILE.xlf COUNT [SEED]\n"
                         "  mutation_run settings COUNT [SEED]\n  mutation_run reply COUNT [SEED]\n"
                         "  mutation_run http COUNT [SEED]\n");
    return 64;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return usage();
    const std::wstring kind = argv[1];
    const bool documents = kind == L"documents";
    if (documents && argc < 4)
        return usage();
    const int first = documents ? 3 : 2;
    const int count = _wtoi(argv[first]);
    const uint32_t seed = argc > first + 1 ? static_cast<uint32_t>(_wtoi(argv[first + 1])) : 1;
    if (count <= 0)
        return usage();
    Counts counts;
    const ULONGLONG start = GetTickCount64();
    int code = 0;
    if (documents)
        code = runDocuments(argv[2], count, seed, counts);
    else if (kind == L"settings")
        code = runSettings(count, seed, counts);
    else if (kind == L"reply")
        code = runReply(count, seed, counts);
    else if (kind == L"http")
        code = runHttp(count, seed, counts);
    else
        return usage();
    if (code == 0) {
        const std::string name(kind.begin(), kind.end());
        counts.print(name.c_str(), count, seed, GetTickCount64() - start);
    }
    std::fflush(stdout);
    return code != 0 ? code : counts.faults != 0 ? 2 : 0;
}
