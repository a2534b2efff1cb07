// modtools as a process: every subcommand on data the project's writers
// make, its exit status, its JSON read back, and the bad inputs that must
// end in one line on standard error with nothing written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cctype>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "AssetFixture.h"
#include "CsfFixture.h"
#include "W3dFixture.h"
#include "platform/Platform.h"
#include "testkit/TestKit.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using Args = std::vector<std::string>;

class Modtools : public ::testing::Test {
protected:
    void SetUp() override {
        write("tree/a.ini", "key = value\n");
        write("tree/sub/b.w3d", std::string(3000, 'b'));
        write("tree/sub/c.bin", std::string("\0\1\2\3", 4));
        write("notes.txt", "These are notes, of no format the tools read.\n");
        std::vector<CsfFixtureLabel> labels = {csfLabel("GUI:Start", "Start"), csfLabel("GUI:Quit", "Quit \xE9")};
        CsfFixtureLabel spoken;
        spoken.name = "SPEECH:Hail";
        spoken.texts.push_back({u"Hail\n\"friend\"\t\U0001F600"});
        spoken.texts.back().wide = true;
        spoken.texts.back().extra = "hail_01";
        spoken.texts.push_back({std::u16string(1, char16_t(0xD800))});
        labels.push_back(spoken);
        table_ = csfTableBytes(labels);
        write("table.csf", table_);
        write("damaged.csf", table_.substr(0, table_.size() - 10));
        write("append.cfg", "AppendList = {MSG*}\nMSG001 = {LABEL:ONE,First}\n");
        ASSERT_TRUE(writeAssetSample(dir_.file("first.dat"), 6000, 1, 40, nullptr));
        ASSERT_TRUE(writeAssetSample(dir_.file("second.dat"), 3500, 2, 25, nullptr));
        write("damaged.dat", testkit::readFile(dir_.file("first.dat")).substr(0, 100));
        using namespace w3dfix;
        std::string tower = hierarchy("TOWER", pivotChain("FLOOR", 4));
        tower += mesh({"TOWER", "BASE", 6, 4, {1, 1, 2, 2, 3, 3}, {"tower_base.tga"}, "", ""});
        tower += hlod("TOWER", "TOWER", {{{1, "TOWER.BASE"}}});
        write("tower.w3d", tower);
        write("damaged.w3d", tower.substr(0, 20));
        std::string dance = hierarchy("DANCER", pivotChain("LIMB", 3));
        dance += compressedAnimation("DANCER_SPIN", "DANCER", 6, 30, {{false, 1, 3, 0, 0, {0, 3, 5}, {1, 2, 3, 4, 5, 6, 7, 8, 9}}});
        write("dance.w3d", dance);
        ASSERT_EQ(run({"big", "create", "tree", "-o", "archive.big"}).exitCode, 0);
        std::string big = testkit::readFile(dir_.file("archive.big"));
        write("damaged.big", big.substr(0, 30));
    }

    void write(const std::string& relative, const std::string& bytes) { testkit::writeFile(dir_.file(relative), bytes); }
    std::string read(const std::string& relative) { return testkit::readFile(dir_.file(relative)); }
    testkit::ProcessResult run(const Args& args) {
        return testkit::runProgram(testkit::programPath("modtools"), args, dir_.path());
    }
    nlohmann::json runJson(const Args& args) {
        const testkit::ProcessResult result = run(args);
        EXPECT_EQ(result.exitCode, 0) << result.output;
        return nlohmann::json::parse(result.output);
    }

    // Every file below the folder with its bytes.
    std::map<std::string, std::string> snapshot(const std::string& folder = std::string()) {
        std::map<std::string, std::string> files;
        platform::DirectorySearch search;
        platform::FoundEntry entry;
        const std::string base = folder.empty() ? dir_.path() : folder;
        for (bool more = search.first((base + testkit::SEP + "*").c_str(), entry); more; more = search.next(entry)) {
            if (entry.name == "." || entry.name == "..") continue;
            const std::string path = base + testkit::SEP + entry.name;
            if (entry.attributes & platform::ATTR_DIRECTORY) {
                files[path + testkit::SEP] = "";
                for (const auto& inner : snapshot(path)) files.insert(inner);
            } else if (entry.attributes & platform::ATTR_DEVICE) {
                files[path] = "(not a regular file)";  // a pipe: reading it would block
            } else {
                files[path] = testkit::readFile(path);
            }
        }
        return files;
    }

    testkit::TempDir dir_;
    std::string table_;
};

// A bad run: the documented status and exactly one line naming the file,
// and nothing below the test folder created or changed.
void expectRefused(const testkit::ProcessResult& result, const std::map<std::string, std::string>& before,
                   const std::map<std::string, std::string>& after, int status, const std::string& path) {
    EXPECT_EQ(result.exitCode, status) << result.output;
    EXPECT_EQ(result.output.rfind("modtools: ", 0), 0u) << result.output;
    std::string line = result.output;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    EXPECT_EQ(line.find('\n'), std::string::npos) << result.output;
    EXPECT_NE(line.find(path), std::string::npos) << result.output;
    EXPECT_TRUE(before == after) << "files changed by: " << result.output;
}

std::string joined(const Args& args) {
    std::string out;
    for (const std::string& a : args) out += a + " ";
    return out;
}

}  // namespace

TEST_F(Modtools, HelpVersionAndUsageErrors) {
    testkit::ProcessResult help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* word : {"big", "csf", "scan", "asset", "w3d"}) EXPECT_NE(help.output.find(word), std::string::npos);
    for (const char* family : {"big", "csf", "asset", "w3d"}) {
        testkit::ProcessResult sub = run({family, "--help"});
        EXPECT_EQ(sub.exitCode, 0) << family;
    }
    for (const char* command : {"to-text", "to-po", "from-po"}) EXPECT_EQ(run({"csf", command, "--help"}).exitCode, 0);
    for (const Args& args : {Args{"--help"}, Args{"big", "add", "--help"}, Args{"w3d", "animation", "--help"}})
        EXPECT_NE(run(args).output.find("Exit status: 0 done, 1 usage error, 2 "), std::string::npos) << joined(args);
    testkit::ProcessResult version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_NE(version.output.find("modtools 1."), std::string::npos) << version.output;
    for (const Args& args : {Args{}, Args{"bogus"}, Args{"csf"}, Args{"csf", "list"}, Args{"csf", "from-po", "t.po"}, Args{"big", "create", "tree"},
                             Args{"scan", "tree", "--bogus"}, Args{"w3d", "report", "tower.w3d", "--html", "t.html"},
                             Args{"w3d", "animation", "dance.w3d", "-o", "noextension"}})
        EXPECT_EQ(run(args).exitCode, 1) << joined(args);
}

// An unknown option used to be answered "A subcommand is required".
TEST_F(Modtools, UnknownOptionUsedToBeAnsweredSubcommandRequired) {
    const std::pair<Args, std::string> cases[] = {
        {{"--bogus"}, "modtools: unknown option --bogus"},
        {{"bogus"}, "modtools: unknown subcommand bogus"},
        {{"csf", "bogus", "table.csf"}, "modtools: unknown subcommand bogus"},
        {{"csf", "list", "--bogus", "table.csf"}, "modtools: unknown option --bogus"},
        {{"csf", "list", "table.csf", "extra"}, "modtools: unexpected argument extra"},
    };
    for (const auto& c : cases) {
        const testkit::ProcessResult result = run(c.first);
        EXPECT_EQ(result.exitCode, 1) << joined(c.first);
        EXPECT_EQ(result.output.rfind(c.second, 0), 0u) << result.output;
    }
}

// In the Windows builds a path starting with '/' used to be taken for an
// option ("TABLE is required").
TEST_F(Modtools, SlashPathUsedToBeTakenForAnOption) {
    // Taken as paths, both are looked for and named as missing (status 2),
    // never refused as options or missing arguments (status 1).
    for (const Args& args : {Args{"csf", "list", "/no-such-folder/t.csf"},
                             Args{"csf", "to-text", "table.csf", "-o", "/no-such-folder/t.txt"}}) {
        const testkit::ProcessResult result = run(args);
        EXPECT_EQ(result.exitCode, 2) << joined(args) << result.output;
        EXPECT_EQ(result.output.rfind("modtools: /no-such-folder/t.", 0), 0u) << result.output;
    }
}

// csf to-text, from-text, to-po, from-po and the w3d writers used to print
// nothing when done, while the other writers printed a summary.
TEST_F(Modtools, SomeWritersUsedToPrintNoSummary) {
    const Args writers[] = {
        {"big", "create", "tree", "-o", "OUT"},
        {"big", "extract", "archive.big", "-C", "OUT"},
        {"big", "add", "archive.big", "notes.txt", "-o", "OUT"},
        {"csf", "export", "table.csf", "-o", "OUT"},
        {"csf", "append", "table.csf", "append.cfg"},
        {"csf", "to-text", "table.csf", "-o", "OUT"},
        {"csf", "from-text", "good.txt", "-o", "OUT"},
        {"csf", "to-po", "table.csf", "-o", "OUT"},
        {"csf", "from-po", "good.po", "-o", "OUT"},
        {"csf", "set", "table.csf", "GUI:Start", "Go", "-o", "OUT"},
        {"asset", "dump", "first.dat", "-o", "OUT"},
        {"asset", "merge", "first.dat", "second.dat", "-o", "OUT"},
        {"w3d", "report", "tower.w3d", "-o", "OUT"},
        {"w3d", "animation", "dance.w3d", "-o", "OUT"},
    };
    ASSERT_EQ(run({"csf", "to-text", "table.csf", "-o", "good.txt"}).exitCode, 0);
    ASSERT_EQ(run({"csf", "to-po", "table.csf", "-o", "good.po"}).exitCode, 3);
    int n = 0;
    for (const Args& writer : writers) {
        for (int quiet = 0; quiet < 3; ++quiet) {  // none, --quiet after the subcommand, -q before it
            Args args = writer;
            const std::string out = "out" + std::to_string(++n) + (writer[1] == "animation" ? ".txt" : "");
            std::replace(args.begin(), args.end(), std::string("OUT"), out);
            if (quiet == 1) args.push_back("--quiet");
            if (quiet == 2) args.insert(args.begin(), "-q");
            const testkit::ProcessResult result = run(args);
            EXPECT_EQ(result.exitCode, writer[1] == "to-po" ? 3 : 0) << joined(args) << result.output;
            std::string lines = result.output;
            // to-po names the text it leaves out on standard error first.
            if (lines.rfind("modtools: ", 0) == 0) lines.erase(0, lines.find('\n') + 1);
            if (quiet > 0) {
                EXPECT_EQ(lines, "") << joined(args);
            } else {
                EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1) << joined(args) << lines;
                EXPECT_NE(lines.find(writer[1] == "append" ? "NEW_table.csf" : out), std::string::npos) << lines;
            }
        }
    }
}

TEST_F(Modtools, ArchivesAreListedExtractedAndCatted) {
    const nlohmann::json listed = runJson({"big", "list", "--json", "archive.big"});
    EXPECT_EQ(listed["archive"], "archive.big");
    EXPECT_EQ(listed["truncated"], false);
    EXPECT_EQ(listed["damaged"], false);
    std::map<std::string, std::uint64_t> sizes;
    for (const auto& e : listed["entries"]) sizes[e["name"]] = e["size"];
    EXPECT_EQ(sizes, (std::map<std::string, std::uint64_t>{{"a.ini", 12}, {"sub\\b.w3d", 3000}, {"sub\\c.bin", 4}}));
    EXPECT_NE(run({"big", "list", "archive.big"}).output.find("3000  sub\\b.w3d"), std::string::npos);

    EXPECT_EQ(run({"big", "extract", "archive.big", "-C", "all"}).exitCode, 0);
    for (const char* name : {"a.ini", "sub/b.w3d", "sub/c.bin"}) EXPECT_EQ(read(std::string("all/") + name), read(std::string("tree/") + name));
    EXPECT_EQ(run({"big", "extract", "archive.big", "-C", "some", "sub/*.bin"}).exitCode, 0);
    EXPECT_EQ(read("some/sub/c.bin"), read("tree/sub/c.bin"));
    EXPECT_FALSE(testkit::fileExists(dir_.file("some/a.ini")));
    EXPECT_EQ(run({"big", "extract", "archive.big", "-C", "none", "nothing.*"}).exitCode, 3);

    testkit::ProcessResult cat = run({"big", "cat", "archive.big", "SUB/C.BIN"});
    EXPECT_EQ(cat.exitCode, 0);
    EXPECT_EQ(cat.output, read("tree/sub/c.bin"));

    EXPECT_EQ(run({"big", "create", "tree", "-o", "ini.big", "--filter", "*.ini"}).exitCode, 0);
    EXPECT_EQ(runJson({"big", "list", "ini.big", "--json"})["entries"].size(), 1u);
}

// Names outside ASCII used to be each build's own bytes (UTF-8 in archives
// made on Linux), and --json showed a Windows-1252 letter as U+FFFD.
TEST_F(Modtools, NamesOutsideAsciiUsedToDifferBetweenTheBuilds) {
    // "caf\xE9.str" and a pattern for it as this system writes names.
#ifdef _WIN32
    std::string cafe, pattern;
    if (!platform::fromArchiveName("caf\xE9.str", cafe) || !platform::fromArchiveName("?af\xE9.*", pattern))
        GTEST_SKIP() << "the system's code page has no accented letters";
#else
    const std::string cafe = "caf\xC3\xA9.str", pattern = "?af\xC3\xA9.*";
#endif
    write("accents/" + cafe, "accent");
    ASSERT_EQ(run({"big", "create", "accents", "-o", "accents.big"}).exitCode, 0);
    EXPECT_NE(read("accents.big").find(std::string("caf\xE9.str\0", 9)), std::string::npos);

    EXPECT_EQ(runJson({"big", "list", "--json", "accents.big"})["entries"][0]["name"], "caf\xC3\xA9.str");
    EXPECT_NE(run({"big", "list", "accents.big"}).output.find("6  " + cafe), std::string::npos);
    EXPECT_EQ(run({"big", "cat", "accents.big", cafe}).output, "accent");
    EXPECT_EQ(run({"big", "extract", "accents.big", "-C", "out", pattern}).exitCode, 0);
    EXPECT_EQ(read("out/" + cafe), "accent");
#ifdef _WIN32
    // Windows itself names the file with the letter \u00E9.
    const std::string folder = dir_.file("out");
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    wide.pop_back();
    EXPECT_NE(GetFileAttributesW((wide + L"\\caf\u00E9.str").c_str()), INVALID_FILE_ATTRIBUTES);
#endif
}

TEST_F(Modtools, ExtractNeverWritesOutsideItsFolder) {
    std::string bytes = "BIG4";
    const std::vector<std::pair<std::string, std::string>> entries = {{"..\\evil.txt", "x"}, {"ok.txt", "fine"}};
    std::uint32_t header = 16 + 8;
    for (const auto& e : entries) header += 8 + static_cast<std::uint32_t>(e.first.size()) + 1;
    testkit::putU32(bytes, 0);
    testkit::putBE32(bytes, static_cast<std::uint32_t>(entries.size()));
    testkit::putBE32(bytes, header);
    std::uint32_t offset = header;
    for (const auto& e : entries) {
        testkit::putBE32(bytes, offset);
        testkit::putBE32(bytes, static_cast<std::uint32_t>(e.second.size()));
        bytes += e.first + '\0';
        offset += static_cast<std::uint32_t>(e.second.size());
    }
    bytes += std::string("L219\0\0\0\0", 8);
    for (const auto& e : entries) bytes += e.second;
    write("unsafe.big", bytes);
    testkit::ProcessResult result = run({"big", "extract", "unsafe.big", "-C", "out"});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_NE(result.output.find("..\\evil.txt"), std::string::npos) << result.output;
    EXPECT_EQ(read("out/ok.txt"), "fine");
    EXPECT_FALSE(testkit::fileExists(dir_.file("evil.txt")));
}

TEST_F(Modtools, StringTablesRoundTripThroughTextAndExportByName) {
    EXPECT_EQ(run({"csf", "to-text", "table.csf", "-o", "table.txt"}).exitCode, 0);
    EXPECT_EQ(run({"csf", "from-text", "table.txt", "-o", "back.csf"}).exitCode, 0);
    EXPECT_EQ(read("back.csf"), table_);
    const std::string text = read("table.txt");
    EXPECT_NE(text.find("text \"Hail\\n\\\"friend\\\"\\t\xF0\x9F\x98\x80\" extra \"hail_01\""), std::string::npos) << text;
    EXPECT_NE(text.find("\\uD800"), std::string::npos);

    const nlohmann::json listed = runJson({"csf", "list", "table.csf", "--json"});
    ASSERT_EQ(listed["labels"].size(), 3u);
    EXPECT_EQ(listed["labels"][1]["name"], "GUI:Quit");
    EXPECT_EQ(listed["labels"][1]["texts"][0], "Quit \xC3\xA9");
    EXPECT_EQ(listed["labels"][2]["texts"].size(), 2u);

    EXPECT_EQ(run({"csf", "export", "table.csf", "-o", "less.csf", "--drop", "GUI:Quit"}).exitCode, 0);
    const nlohmann::json less = runJson({"csf", "list", "--json", "less.csf"});
    EXPECT_EQ(less["labels"].size(), 2u);
    EXPECT_EQ(run({"csf", "export", "table.csf", "-o", "same.csf", "--drop", "NO:SUCH"}).exitCode, 3);
    EXPECT_EQ(read("same.csf"), table_);

    EXPECT_EQ(run({"csf", "append", "table.csf", "append.cfg"}).exitCode, 0);
    EXPECT_NE(run({"csf", "list", "NEW_table.csf"}).output.find("LABEL:ONE\t\"First\""), std::string::npos);
}

TEST_F(Modtools, StringTablesGoThroughPoFilesAndBack) {
    // The lone surrogate of SPEECH:Hail's second text is left out and named;
    // the base brings it back.
    testkit::ProcessResult out = run({"csf", "to-po", "table.csf", "-o", "table.po"});
    EXPECT_EQ(out.exitCode, 3);
    EXPECT_EQ(out.output.rfind("modtools: table.csf: label SPEECH:Hail, text 2 left out: its text holds a lone surrogate", 0), 0u)
        << out.output;
    const std::string po = read("table.po");
    EXPECT_NE(po.find("msgctxt \"SPEECH:Hail\"\nmsgid \"\"\n\"Hail\\n\"\n\"\\\"friend\\\"\\t\xF0\x9F\x98\x80\"\nmsgstr \"\"\n"),
              std::string::npos) << po;
    EXPECT_EQ(run({"csf", "from-po", "table.po", "--base", "table.csf", "-o", "back.csf"}).exitCode, 0);
    EXPECT_EQ(read("back.csf"), table_);
    EXPECT_EQ(run({"csf", "from-po", "table.po", "-o", "plain.csf"}).exitCode, 0);
    const nlohmann::json plain = runJson({"csf", "list", "--json", "plain.csf"});
    ASSERT_EQ(plain["labels"].size(), 3u);
    EXPECT_EQ(plain["labels"][1]["texts"], nlohmann::json::array({"Quit \xC3\xA9"}));
    EXPECT_EQ(plain["labels"][2]["texts"], nlohmann::json::array({"Hail\n\"friend\"\t\xF0\x9F\x98\x80"}));
}

#ifndef _WIN32
namespace {

// A program of that name on PATH that answers the probe with status 0; empty
// when there is none.
std::string hostProgram(const std::string& name, const Args& probe) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    testkit::TempDir here;
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string program = folder + "/" + name;
        if (!folder.empty() && access(program.c_str(), X_OK) == 0 && testkit::runProgram(program, probe, here.path()).exitCode == 0)
            return program;
    }
    return std::string();
}

}  // namespace
#endif

TEST_F(Modtools, PoFilesPassGettextAndPolibAndSurviveMsgmerge) {
#ifdef _WIN32
    GTEST_SKIP() << "GNU gettext and polib are checked on the native build";
#else
    const std::string msgfmt = hostProgram("msgfmt", {"--version"});
    const std::string msgmerge = hostProgram("msgmerge", {"--version"});
    const std::string python = hostProgram("python3", {"-c", "import polib"});
    if (msgfmt.empty() || msgmerge.empty() || python.empty()) GTEST_SKIP() << "gettext or python3-polib is not installed";
    auto label = [](const char* name, const std::vector<std::u16string>& texts) {
        CsfFixtureLabel l;
        l.name = name;
        l.texts.assign(texts.begin(), texts.end());
        return l;
    };
    const std::u16string hail = u"Hail\n\"friend\"\t\\ \U0001F600";
    write("v1.csf", csfTableBytes({csfLabel("GUI:Start", "Start"), csfLabel("GUI:Quit", "Quit"),
                                   label("SPEECH:Hail", {hail, u"Well met"})}));
    write("fr.csf", csfTableBytes({csfLabel("GUI:Start", "D\xE9marrer"), csfLabel("GUI:Quit", "Quitter"),
                                   label("SPEECH:Hail", {u"Salut\n\"ami\"\t\\ \U0001F600"})}));
    write("v2.csf", csfTableBytes({csfLabel("GUI:Start", "Start"), csfLabel("GUI:Quit", "Quit the game"),
                                   label("SPEECH:Hail", {hail, u"Well met"}), csfLabel("GUI:New", "New")}));
    ASSERT_EQ(run({"csf", "to-po", "fr.csf", "--source", "v1.csf", "-o", "fr.po"}).exitCode, 0);
    ASSERT_EQ(run({"csf", "to-po", "v2.csf", "-o", "v2.pot"}).exitCode, 0);
    for (const char* file : {"fr.po", "v2.pot"}) {
        const testkit::ProcessResult check = testkit::runProgram(msgfmt, {"--check", "-o", "out.mo", file}, dir_.path());
        EXPECT_EQ(check.exitCode, 0) << file << ": " << check.output;
    }
    const testkit::ProcessResult polib = testkit::runProgram(
        python, {"-c", "import json, polib; p = polib.pofile('fr.po'); print(json.dumps([p.metadata['Content-Type']] + "
                       "[[e.msgctxt, e.msgid, e.msgstr] for e in p]))"}, dir_.path());
    ASSERT_EQ(polib.exitCode, 0) << polib.output;
    const nlohmann::json entries = nlohmann::json::parse(polib.output);
    ASSERT_EQ(entries.size(), 5u) << polib.output;
    EXPECT_EQ(entries[0], "text/plain; charset=UTF-8");
    EXPECT_EQ(entries[1], nlohmann::json::array({"GUI:Start", "Start", "D\xC3\xA9marrer"}));
    EXPECT_EQ(entries[3], nlohmann::json::array({"SPEECH:Hail", "Hail\n\"friend\"\t\\ \xF0\x9F\x98\x80",
                                                 "Salut\n\"ami\"\t\\ \xF0\x9F\x98\x80"}));
    EXPECT_EQ(entries[4], nlohmann::json::array({"SPEECH:Hail#2", "Well met", ""}));

    // The source changes: the translation merged with the new template keeps
    // every text whose source stayed; a changed source gives its new text.
    const testkit::ProcessResult merge = testkit::runProgram(msgmerge, {"--quiet", "-o", "merged.po", "fr.po", "v2.pot"}, dir_.path());
    ASSERT_EQ(merge.exitCode, 0) << merge.output;
    EXPECT_EQ(testkit::runProgram(msgfmt, {"--check", "-o", "out.mo", "merged.po"}, dir_.path()).exitCode, 0);
    ASSERT_EQ(run({"csf", "from-po", "merged.po", "--base", "fr.csf", "-o", "fr2.csf"}).exitCode, 0) << read("merged.po");
    const nlohmann::json built = runJson({"csf", "list", "--json", "fr2.csf"});
    std::map<std::string, nlohmann::json> texts;
    for (const auto& label : built["labels"]) texts[label["name"]] = label["texts"];
    EXPECT_EQ(texts, (std::map<std::string, nlohmann::json>{
                         {"GUI:Start", {"D\xC3\xA9marrer"}},
                         {"GUI:Quit", {"Quit the game"}},
                         {"SPEECH:Hail", {"Salut\n\"ami\"\t\\ \xF0\x9F\x98\x80", "Well met"}},
                         {"GUI:New", {"New"}}}));
#endif
}

TEST_F(Modtools, ScansAssetIndexesAndW3dFiles) {
    const nlohmann::json scanned = runJson({"scan", "tree", "--json"});
    EXPECT_EQ(scanned["files"].size(), 3u);
    EXPECT_EQ(scanned["folders"].size(), 1u);
    EXPECT_EQ(scanned["foldersLeft"], false);
    testkit::ProcessResult filtered = run({"scan", "tree", "--filter", "*.w3d", "--sizes"});
    EXPECT_EQ(filtered.exitCode, 0);
    EXPECT_NE(filtered.output.find("b.w3d 3000"), std::string::npos) << filtered.output;
    EXPECT_EQ(filtered.output.find("a.ini"), std::string::npos);

    const nlohmann::json dumped = runJson({"asset", "dump", "first.dat", "-o", "first.txt", "--json"});
    EXPECT_EQ(dumped["tag"], "AIDX");
    EXPECT_GT(dumped["stringSectionOffset"].get<int>(), 16);
    EXPECT_EQ(dumped["entriesRead"], dumped["entryCount"]);
    EXPECT_NE(read("first.txt").find("HEADER: [AIDX]["), std::string::npos);
    EXPECT_EQ(run({"asset", "dump", "second.dat"}).exitCode, 0);
    EXPECT_TRUE(testkit::fileExists(dir_.file("ZZZ000_Asset.txt")));
    EXPECT_EQ(run({"asset", "merge", "first.dat", "second.dat", "-o", "merged.dat"}).exitCode, 0);
    EXPECT_EQ(read("merged.dat").size(), read("first.dat").size() + read("second.dat").size() - 16);

    testkit::ProcessResult report = run({"w3d", "report", "tower.w3d"});
    EXPECT_EQ(report.exitCode, 0) << report.output;
    EXPECT_NE(report.output.find("TOWER.BASE"), std::string::npos) << report.output;
    EXPECT_EQ(run({"w3d", "report", "tower.w3d", "-o", "tower.txt"}).exitCode, 0);
    EXPECT_NE(read("tower.txt").find("TOWER.BASE"), std::string::npos);
    EXPECT_EQ(run({"w3d", "animation", "dance.w3d", "-o", "dance.txt"}).exitCode, 0);
    EXPECT_NE(read("dance.txt").find("DANCER_SPIN"), std::string::npos);
    EXPECT_EQ(run({"w3d", "animation", "dance.w3d", "-o", "again.w3d"}).exitCode, 0);
    EXPECT_EQ(run({"w3d", "animation", "again.w3d", "-o", "again.txt"}).exitCode, 0);
}

// The skeleton written beside a .w3d output used to replace that output when
// it bore the hierarchy's name, and the animation read when that did.
TEST_F(Modtools, EmbeddedSkeletonUsedToReplaceTheAnimationWrittenOrRead) {
    const std::string dance = read("dance.w3d");
    const std::string animationPart = dance.substr(w3dfix::hierarchy("DANCER", w3dfix::pivotChain("LIMB", 3)).size());
    testkit::ProcessResult over = run({"w3d", "animation", "dance.w3d", "-o", "DANCER.w3d"});
    EXPECT_EQ(over.exitCode, 3);
    EXPECT_NE(over.output.find("modtools: DANCER.w3d: the skeleton is not written"), std::string::npos) << over.output;
    EXPECT_EQ(read("DANCER.w3d"), animationPart);

    write("DANCER.w3d", dance);
    over = run({"w3d", "animation", "DANCER.w3d", "-o", "copy.w3d"});
    EXPECT_EQ(over.exitCode, 3);
    EXPECT_NE(over.output.find("modtools: DANCER.w3d: the skeleton is not written"), std::string::npos) << over.output;
    EXPECT_EQ(read("DANCER.w3d"), dance);
    EXPECT_EQ(read("copy.w3d"), animationPart);
}

TEST_F(Modtools, BadInputsEndInOneLineAndWriteNothing) {
    // {IN} is replaced by each bad input, {OUT} by a fresh output name; the
    // last column is the damaged file of the command's own format and the
    // status it gives (3 where what could be read is used, and said so).
    struct Row {
        Args args;
        const char* good;     // a good input, for the runs with a bad output
        const char* damaged;  // a damaged file of the command's own format
        int damagedStatus;
    };
    const Row rows[] = {
        {{"big", "list", "{IN}"}, nullptr, "damaged.big", 2},
        {{"big", "extract", "{IN}", "-C", "{OUT}"}, "archive.big", "damaged.big", 2},
        {{"big", "cat", "{IN}", "a.ini"}, nullptr, "damaged.big", 2},
        {{"csf", "list", "{IN}"}, nullptr, "damaged.csf", 3},
        {{"csf", "export", "{IN}", "-o", "{OUT}"}, "table.csf", "damaged.csf", 3},
        {{"csf", "append", "{IN}", "append.cfg"}, nullptr, nullptr, 0},
        {{"csf", "to-text", "{IN}", "-o", "{OUT}"}, "table.csf", nullptr, 0},
        {{"csf", "from-text", "{IN}", "-o", "{OUT}"}, "good.txt", "damaged.csf", 2},
        {{"csf", "to-po", "{IN}", "-o", "{OUT}"}, "table.csf", "damaged.csf", 3},
        {{"csf", "from-po", "{IN}", "-o", "{OUT}"}, "good.po", "damaged.csf", 2},
        {{"asset", "dump", "{IN}", "-o", "{OUT}"}, "first.dat", "damaged.dat", 2},
        {{"asset", "merge", "first.dat", "{IN}", "-o", "{OUT}"}, "second.dat", "damaged.dat", 2},
        {{"w3d", "report", "{IN}", "-o", "{OUT}"}, "tower.w3d", "damaged.w3d", 2},
        {{"w3d", "animation", "{IN}", "-o", "{OUT}.txt"}, "dance.w3d", "damaged.w3d", 2},
    };
    ASSERT_EQ(run({"csf", "to-text", "table.csf", "-o", "good.txt"}).exitCode, 0);
    ASSERT_EQ(run({"csf", "to-po", "table.csf", "-o", "good.po"}).exitCode, 3);  // a lone surrogate is left out
    auto substitute = [](Args args, const std::string& in, const std::string& out) {
        for (std::string& a : args) {
            if (a.find("{IN}") == 0) a = in + a.substr(4);
            if (a.find("{OUT}") == 0) a = out + a.substr(5);
        }
        return args;
    };
    // Work done in part leaves its result, and a listing of a damaged file
    // shows what could be read: there the status and the line are checked.
    auto expectBad = [&](const Args& args, int status, const std::string& path, bool shownInPart = false) {
        SCOPED_TRACE(joined(args));
        const auto before = snapshot();
        const testkit::ProcessResult result = run(args);
        if (status == 3 || shownInPart) {
            EXPECT_EQ(result.exitCode, status) << result.output;
            EXPECT_NE(result.output.find("modtools: " + path), std::string::npos) << result.output;
            return;
        }
        expectRefused(result, before, snapshot(), status, path);
    };
    const std::string missingFolder = std::string("no-folder") + testkit::SEP + "out";
    // A pipe given as an input is refused at once (opening it would block).
    const bool pipes = testkit::makePipe(dir_.file("pipe.bin"));
    for (const Row& row : rows) {
        for (const char* in : {"missing.bin", "tree", "notes.txt"}) expectBad(substitute(row.args, in, "new"), 2, in);
        if (pipes) expectBad(substitute(row.args, "pipe.bin", "new"), 2, "pipe.bin");
        if (row.damaged)
            expectBad(substitute(row.args, row.damaged, "part-" + row.args[1]), row.damagedStatus, row.damaged,
                      row.args[1] == "list");
        if (row.good) expectBad(substitute(row.args, row.good, missingFolder), 2, "no-folder");
    }
    // A damaged text form names its line.
    write("broken.txt", "csf-text 1\nlabel \"A\"\n  text \"unclosed\n");
    expectBad({"csf", "from-text", "broken.txt", "-o", "new.csf"}, 2, "broken.txt:3");
    // So does a malformed PO file, and a base that is no table is refused.
    write("broken.po", "msgctxt \"A\"\nmsgid \"a\\q\"\nmsgstr \"\"\n");
    expectBad({"csf", "from-po", "broken.po", "-o", "new.csf"}, 2, "broken.po:2");
    expectBad({"csf", "from-po", "good.po", "--base", "notes.txt", "-o", "new.csf"}, 2, "notes.txt");
    // Folders where files belong and files where folders belong.
    expectBad({"big", "create", "notes.txt", "-o", "new.big"}, 2, "notes.txt");
    expectBad({"big", "create", "tree", "-o", "tree"}, 2, "tree");
    expectBad({"scan", "notes.txt"}, 2, "notes.txt");
    expectBad({"scan", "missing"}, 2, "missing");
    expectBad({"big", "extract", "archive.big", "-C", "notes.txt"}, 2, "notes.txt");
}

TEST_F(Modtools, AWriteProtectedOutputIsLeftAsItWas) {
    write("locked.txt", "locked");
#ifdef _WIN32
    SetFileAttributesA(dir_.file("locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
#else
    chmod(dir_.file("locked.txt").c_str(), 0444);
#endif
    for (const Args& args : {Args{"csf", "to-text", "table.csf", "-o", "locked.txt"},
                             Args{"csf", "to-po", "table.csf", "-o", "locked.txt"},
                             Args{"csf", "export", "table.csf", "-o", "locked.txt"},
                             Args{"big", "create", "tree", "-o", "locked.txt"},
                             Args{"asset", "dump", "first.dat", "-o", "locked.txt"},
                             Args{"w3d", "report", "tower.w3d", "-o", "locked.txt"}}) {
        SCOPED_TRACE(joined(args));
        const auto before = snapshot();
        const testkit::ProcessResult result = run(args);
        expectRefused(result, before, snapshot(), 2, "locked.txt");
    }
#ifdef _WIN32
    SetFileAttributesA(dir_.file("locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
}

TEST_F(Modtools, ArchivesAreEditedInPlaceOrIntoAnotherFile) {
    write("new.ini", "fresh = 1\n");
    write("more/x/deep.txt", "deep");
    const std::string before = read("archive.big");
    EXPECT_EQ(run({"big", "replace", "archive.big", "A.INI", "new.ini", "-o", "copy.big"}).exitCode, 0);
    EXPECT_EQ(read("archive.big"), before);
    EXPECT_EQ(run({"big", "cat", "copy.big", "a.ini"}).output, "fresh = 1\n");

    EXPECT_EQ(run({"big", "add", "archive.big", "new.ini", "--as", "fresh.ini", "--under", "Data/INI"}).exitCode, 0);
    EXPECT_EQ(run({"big", "add", "archive.big", "more"}).exitCode, 0);
    EXPECT_EQ(run({"big", "mv", "archive.big", "SUB/B.W3D", "sub/renamed.w3d"}).exitCode, 0);
    EXPECT_EQ(run({"big", "rm", "archive.big", "sub/*.bin"}).exitCode, 0);
    std::vector<std::string> names;
    const nlohmann::json listed = runJson({"big", "list", "--json", "archive.big"});
    for (const auto& e : listed["entries"]) names.push_back(e["name"]);
    EXPECT_EQ(names, (std::vector<std::string>{"a.ini", "sub\\renamed.w3d", "Data\\INI\\fresh.ini", "x\\deep.txt"}));
    EXPECT_EQ(run({"big", "cat", "archive.big", "sub/renamed.w3d"}).output, read("tree/sub/b.w3d"));

    // Refused before anything is written: a name taken (letter case aside),
    // a name no entry can have, a missing entry, a damaged archive.
    const auto files = snapshot();
    for (const Args& args : {Args{"big", "add", "archive.big", "new.ini", "--as", "A.INI"},
                             Args{"big", "mv", "archive.big", "a.ini", "x/../../up.ini"},
                             Args{"big", "replace", "archive.big", "no/such.ini", "new.ini"},
                             Args{"big", "add", "damaged.big", "new.ini"}})
        expectRefused(run(args), files, snapshot(), 2, args[2]);
    EXPECT_EQ(run({"big", "rm", "archive.big", "nothing*"}).exitCode, 3);
    EXPECT_TRUE(files == snapshot());
}

TEST_F(Modtools, StringTableLabelsAreSetReadRenamedAndRemoved) {
    const std::string text = "\xD0\x9F\xD1\x80\xD0\xB8\n\"\xE4\xB8\x96\" \xF0\x9F\x98\x80";
    write("text.txt", text);
    EXPECT_EQ(run({"csf", "set", "table.csf", "SPEECH:Hail", "--from-file", "text.txt"}).exitCode, 0);
    EXPECT_EQ(run({"csf", "get", "table.csf", "SPEECH:Hail"}).output, text + "\n");
    EXPECT_EQ(run({"csf", "set", "table.csf", "NEW:Label", "Plain text"}).exitCode, 0);
    EXPECT_EQ(run({"csf", "mv", "table.csf", "GUI:Start", "GUI:Begin"}).exitCode, 0);
    EXPECT_EQ(run({"csf", "rm", "table.csf", "GUI:Quit"}).exitCode, 0);
    const nlohmann::json listed = runJson({"csf", "list", "--json", "table.csf"});
    ASSERT_EQ(listed["labels"].size(), 3u);
    EXPECT_EQ(listed["labels"][0]["name"], "GUI:Begin");
    // The edited label keeps its second record and its 8-bit part.
    EXPECT_EQ(listed["labels"][1]["texts"].size(), 2u);
    EXPECT_EQ(run({"csf", "to-text", "table.csf", "-o", "edited.txt"}).exitCode, 0);
    EXPECT_NE(read("edited.txt").find("extra \"hail_01\""), std::string::npos);
    EXPECT_EQ(listed["labels"][2]["texts"][0], "Plain text");

    const auto files = snapshot();
    for (const Args& args : {Args{"csf", "mv", "table.csf", "GUI:Begin", "NEW:Label"},
                             Args{"csf", "get", "table.csf", "NO:SUCH"}, Args{"csf", "set", "damaged.csf", "A", "b"},
                             Args{"csf", "set", "table.csf", " bad name", "b"}})
        expectRefused(run(args), files, snapshot(), 2, args[2]);
}

// A damaged header (a file shorter than the header, a header size of 0 or of
// 2 GiB and more) used to list and extract as a good, empty archive, status 0.
TEST_F(Modtools, DamagedHeaderUsedToListAsEmptyArchive) {
    const std::map<std::string, std::pair<std::uint32_t, const char*>> headerSizes = {
        {"zero.big", {0, "the header size is below the 16-byte header"}},
        {"huge.big", {0xFFFFFFFF, "the header size is 2 GiB or more"}}};
    for (const auto& archive : headerSizes) {
        std::string bytes = "BIG4";
        testkit::putU32(bytes, 24);
        testkit::putBE32(bytes, 0);
        testkit::putBE32(bytes, archive.second.first);
        write(archive.first, bytes + std::string("L219\0\0\0\0", 8));
    }
    write("short.big", "BIG4 15 bytes..");
    std::map<std::string, const char*> damage = {{"short.big", "the file is shorter than the 16-byte header"}};
    for (const auto& archive : headerSizes) damage[archive.first] = archive.second.second;
    for (const auto& archive : damage) {
        SCOPED_TRACE(archive.first);
        const std::string line = "modtools: " + archive.first + ": the header is damaged: " + archive.second;
        const testkit::ProcessResult listed = run({"big", "list", "--json", archive.first});
        EXPECT_EQ(listed.exitCode, 2);
        std::istringstream lines(listed.output);
        std::string json, diagnostic;
        std::getline(lines, json);
        std::getline(lines, diagnostic);
        if (json.rfind("modtools: ", 0) == 0) std::swap(json, diagnostic);
        EXPECT_EQ(diagnostic.substr(0, line.size()), line) << listed.output;
        const nlohmann::json document = nlohmann::json::parse(json, nullptr, false);
        EXPECT_EQ(document.value("damaged", false), true) << listed.output;
        const auto before = snapshot();
        expectRefused(run({"big", "extract", archive.first, "-C", "out"}), before, snapshot(), 2, archive.first);
        expectRefused(run({"big", "cat", archive.first, "a.ini"}), before, snapshot(), 2, archive.first);
    }
}

// Links, pipes, names no Windows file can carry and folders that cannot be
// listed used to be left out of scan and big create without a word, status 0.
TEST_F(Modtools, PassedOverEntriesUsedToBeLeftOutWithoutAWord) {
    write("odd/keep.txt", "kept");
    const std::string odd = std::string("odd") + testkit::SEP;
    std::map<std::string, std::string> expected;  // the path shown, its reason
#ifdef _WIN32
    // A name with a letter the code page lacks: no archive entry and no
    // 8-bit path can carry it.
    const std::wstring wide = std::wstring(dir_.path().begin(), dir_.path().end()) + L"\\odd\\\u0142odz.txt";
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        expected[odd + "?odz.txt"] = "the name cannot be represented";
    }
#else
    write("odd/what?.txt", "?");
    write("odd/a:b.txt", ":");
    expected[odd + "what?.txt"] = expected[odd + "a:b.txt"] = "the name cannot be represented";
    if (testkit::makePipe(dir_.file("odd/pipe"))) expected[odd + "pipe"] = "not a regular file";
    if (testkit::makeFileLink(dir_.file("odd/keep.txt"), dir_.file("odd/link.txt")))
        expected[odd + "link.txt"] = "a link or junction, not followed";
    if (geteuid() != 0) {  // file rights do not bind root
        write("odd/shut/x.txt", "x");
        chmod(dir_.file("odd/shut").c_str(), 0);
        expected[odd + "shut"] = "the folder could not be listed";
    }
#endif
    if (expected.empty()) GTEST_SKIP() << "this system can make nothing that a walk passes over";
    auto expectNamed = [&](const testkit::ProcessResult& result) {
        EXPECT_EQ(result.exitCode, 3) << result.output;
        for (const auto& p : expected)
            EXPECT_NE(result.output.find("modtools: " + p.first + ": " + p.second), std::string::npos) << result.output;
    };
    expectNamed(run({"scan", "odd"}));
    const testkit::ProcessResult scanned = run({"scan", "odd", "--json"});
    expectNamed(scanned);
    const std::size_t json = scanned.output.find('{');
    ASSERT_NE(json, std::string::npos) << scanned.output;
    const nlohmann::json document = nlohmann::json::parse(scanned.output.substr(json, scanned.output.find('\n', json) - json));
    std::map<std::string, std::string> passed;
    for (const auto& p : document["passedOver"]) passed[p["path"]] = p["reason"];
    EXPECT_EQ(passed, expected);
    expectNamed(run({"big", "create", "odd", "-o", "odd.big"}));
    EXPECT_EQ(runJson({"big", "list", "--json", "odd.big"})["entries"].size(), 1u);
#ifndef _WIN32
    chmod(dir_.file("odd/shut").c_str(), 0755);
#endif
}

// A file big create could not read used to be stored as zeros in the
// archive it published.
TEST_F(Modtools, UnreadableFilesUsedToBeStoredAsZeros) {
    write("some/open.txt", "readable");
    write("some/shut.txt", "cannot be read");
    const std::string shut = dir_.file("some/shut.txt");
#ifdef _WIN32
    // Held by another program that shares nothing.
    HANDLE held = CreateFileA(shut.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
#else
    if (geteuid() == 0) GTEST_SKIP() << "file rights do not bind root (the core's test reads a vanished file)";
    chmod(shut.c_str(), 0);
#endif
    const testkit::ProcessResult result = run({"big", "create", "some", "-o", "some.big"});
#ifdef _WIN32
    CloseHandle(held);
#endif
    EXPECT_EQ(result.exitCode, 3) << result.output;
    EXPECT_NE(result.output.find(std::string("modtools: some") + testkit::SEP + "shut.txt: file could not be read; left out"),
              std::string::npos)
        << result.output;
    const nlohmann::json listed = runJson({"big", "list", "--json", "some.big"});
    ASSERT_EQ(listed["entries"].size(), 1u);
    EXPECT_EQ(listed["entries"][0]["name"], "open.txt");
}

// Every command with an input and an output used to write over its input
// when the output named it another way (to-text turned the table into text).
TEST_F(Modtools, AnOutputNamingItsOwnInputUsedToReplaceIt) {
    ASSERT_EQ(run({"csf", "to-text", "table.csf", "-o", "good.txt"}).exitCode, 0);
    write("NEW_table.csf", read("append.cfg"));  // a configuration where append writes its copy
    struct Row {
        Args args;  // the output last
        std::string input;
    };
    const std::vector<Row> rows = {
        {{"csf", "export", "table.csf", "-o"}, "table.csf"},
        {{"csf", "to-text", "table.csf", "-o"}, "table.csf"},
        {{"csf", "from-text", "good.txt", "-o"}, "good.txt"},
        {{"asset", "dump", "first.dat", "-o"}, "first.dat"},
        {{"asset", "merge", "first.dat", "second.dat", "-o"}, "second.dat"},
        {{"w3d", "report", "tower.w3d", "-o"}, "tower.w3d"},
        {{"w3d", "animation", "dance.w3d", "-o"}, "dance.w3d"},
        {{"big", "create", "tree", "-o"}, "tree"},
    };
    for (const Row& row : rows) {
        std::vector<std::string> spellings = {row.input, std::string("tree") + testkit::SEP + ".." + testkit::SEP + row.input};
#ifdef _WIN32
        std::string upper = row.input;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        spellings.push_back(upper);
#endif
        for (const std::string& output : spellings) {
            Args args = row.args;
            args.push_back(output);
            SCOPED_TRACE(joined(args));
            const auto before = snapshot();
            expectRefused(run(args), before, snapshot(), 2, output);
        }
    }
    // append's copy would replace its own configuration.
    const auto before = snapshot();
    expectRefused(run({"csf", "append", "table.csf", "tree/../NEW_table.csf"}), before, snapshot(), 2, "NEW_table.csf");
}

// asset dump -o '' used to write the default dump beside its input.
TEST_F(Modtools, AnEmptyOutputNameUsedToWriteTheDefaultDump) {
    for (const Args& args : {Args{"asset", "dump", "first.dat", "-o", ""}, Args{"csf", "to-text", "table.csf", "-o", ""},
                             Args{"w3d", "report", "tower.w3d", "-o", ""}, Args{"big", "create", "tree", "-o", ""}}) {
        SCOPED_TRACE(joined(args));
        const auto before = snapshot();
        expectRefused(run(args), before, snapshot(), 1, "name is empty");
    }
}

// An AppendList past its limit used to be cut without a word: 104 of 2000
// families appended, exit 0.
TEST_F(Modtools, AnAppendListPastItsLimitUsedToBeCutSilently) {
    std::string families;
    for (int i = 1; i <= 2000; ++i) families += "F" + std::to_string(i) + "*,";
    write("long.cfg", "AppendList = {" + families + "}\nF1001 = {LABEL:ONE,First}\n");
    const testkit::ProcessResult result = run({"csf", "append", "table.csf", "long.cfg"});
    EXPECT_EQ(result.exitCode, 3) << result.output;
    EXPECT_NE(result.output.find("modtools: long.cfg: AppendList is longer than its limit: only 104 of its 2000 families"),
              std::string::npos)
        << result.output;
    EXPECT_NE(run({"csf", "list", "NEW_table.csf"}).output.find("LABEL:ONE"), std::string::npos);
}
