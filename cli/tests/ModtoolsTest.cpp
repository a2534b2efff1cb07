// modtools as a process: every subcommand on data the project's writers
// make, its exit status, its JSON read back, and the bad inputs that must
// end in one line on standard error with nothing written.
#include <gtest/gtest.h>

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
    EXPECT_EQ(run({"csf", "to-text", "--help"}).exitCode, 0);
    testkit::ProcessResult version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_NE(version.output.find("modtools 1."), std::string::npos) << version.output;
    for (const Args& args : {Args{}, Args{"bogus"}, Args{"csf"}, Args{"csf", "list"}, Args{"big", "create", "tree"},
                             Args{"scan", "tree", "--bogus"}, Args{"w3d", "report", "tower.w3d", "--html", "t.html"},
                             Args{"w3d", "animation", "dance.w3d", "-o", "noextension"}})
        EXPECT_EQ(run(args).exitCode, 1) << joined(args);
}

TEST_F(Modtools, ArchivesAreListedExtractedAndCatted) {
    const nlohmann::json listed = runJson({"big", "list", "--json", "archive.big"});
    EXPECT_EQ(listed["archive"], "archive.big");
    EXPECT_EQ(listed["truncated"], false);
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
        {{"big", "list", "{IN}"}, nullptr, "damaged.big", 3},
        {{"big", "extract", "{IN}", "-C", "{OUT}"}, "archive.big", "damaged.big", 3},
        {{"big", "cat", "{IN}", "a.ini"}, nullptr, "damaged.big", 2},
        {{"csf", "list", "{IN}"}, nullptr, "damaged.csf", 3},
        {{"csf", "export", "{IN}", "-o", "{OUT}"}, "table.csf", "damaged.csf", 3},
        {{"csf", "append", "{IN}", "append.cfg"}, nullptr, nullptr, 0},
        {{"csf", "to-text", "{IN}", "-o", "{OUT}"}, "table.csf", nullptr, 0},
        {{"csf", "from-text", "{IN}", "-o", "{OUT}"}, "good.txt", "damaged.csf", 2},
        {{"asset", "dump", "{IN}", "-o", "{OUT}"}, "first.dat", "damaged.dat", 2},
        {{"asset", "merge", "first.dat", "{IN}", "-o", "{OUT}"}, "second.dat", "damaged.dat", 2},
        {{"w3d", "report", "{IN}", "-o", "{OUT}"}, "tower.w3d", "damaged.w3d", 2},
        {{"w3d", "animation", "{IN}", "-o", "{OUT}.txt"}, "dance.w3d", "damaged.w3d", 2},
    };
    ASSERT_EQ(run({"csf", "to-text", "table.csf", "-o", "good.txt"}).exitCode, 0);
    auto substitute = [](Args args, const std::string& in, const std::string& out) {
        for (std::string& a : args) {
            if (a.find("{IN}") == 0) a = in + a.substr(4);
            if (a.find("{OUT}") == 0) a = out + a.substr(5);
        }
        return args;
    };
    auto expectBad = [&](const Args& args, int status, const std::string& path) {
        SCOPED_TRACE(joined(args));
        const auto before = snapshot();
        const testkit::ProcessResult result = run(args);
        if (status == 3) {
            // Work done in part leaves its result; the status and the line are checked.
            EXPECT_EQ(result.exitCode, 3) << result.output;
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
        if (row.damaged) expectBad(substitute(row.args, row.damaged, "part-" + row.args[1]), row.damagedStatus, row.damaged);
        if (row.good) expectBad(substitute(row.args, row.good, missingFolder), 2, "no-folder");
    }
    // A damaged text form names its line.
    write("broken.txt", "csf-text 1\nlabel \"A\"\n  text \"unclosed\n");
    expectBad({"csf", "from-text", "broken.txt", "-o", "new.csf"}, 2, "broken.txt:3");
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
