// Morvane run as a process: configuration in a temporary folder, whole
// standard output compared (times and the system's error text by pattern),
// exit status checked.
#include <gtest/gtest.h>

#include <regex>

#include "ModelJob.h"
#include "W3dFixture.h"
#include "platform/Platform.h"
#include "testkit/TestKit.h"

using testkit::TempDir;

namespace {

const std::string ROW(53, '=');

struct Outcome {
    int exitCode;
    std::string output;  // line ends normalised to '\n'
};

Outcome morvane(const std::vector<std::string>& args, const std::string& folder) {
    testkit::ProcessResult r = testkit::runProgram(testkit::programPath("Morvane"), args, folder);
    std::string out = r.output;
#ifdef _WIN32
    // A console program's standard output is a text stream: CR LF line ends.
    for (std::size_t i = 0; i < out.size(); ++i)
        if (out[i] == '\n') {
            EXPECT_TRUE(i > 0 && out[i - 1] == '\r') << "bare LF at " << i;
        }
    out = std::regex_replace(out, std::regex("\r\n"), "\n");
#endif
    // Times and the system's error text vary; everything else is compared.
    out = std::regex_replace(out, std::regex("\\d\\d\\.\\d\\d\\.\\d\\d\\d\\d \\d\\d:\\d\\d:\\d\\d"), "<time>");
    out = std::regex_replace(out, std::regex("ERROR: (?!Input|Skeleton)[^\n]+"), "ERROR: <reason>");
    return {r.exitCode, out};
}

std::string frame(const std::string& text) { return "\n" + ROW + "\n" + text + "\n" + ROW + "\n\n"; }

std::string missingInput(const std::string& path) {
    return "\n" + ROW + "\nERROR: Input File does not exist ....\n" + path + "\nERROR: <reason>\n" + ROW + "\n\n";
}

const std::string LOG_BLOCK = "\n** " + ROW +
                              "\n** Morvane.exe:  started = <time>\n** Morvane.exe:  stopped = <time>\n** " + ROW +
                              "\n\n";

const std::string CODE1 = frame(
    "Application error has occured:\nInvalid number of input parameters - \nEnter name of config file ONLY ....");
const std::string CODE2 = frame(
    "Application error has occured:\nCannot read/write model files - \nCheck config file or model files ....");

}  // namespace

TEST(MorvaneArguments, WrongCountOrEmptyGivesCodeOne) {
    TempDir dir;
    Outcome none = morvane({}, dir.path());
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.output, CODE1);
    Outcome two = morvane({"a.cfg", "b.cfg"}, dir.path());
    EXPECT_EQ(two.exitCode, 1);
    EXPECT_EQ(two.output, CODE1);
    Outcome empty = morvane({""}, dir.path());
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.output, CODE1);
}

TEST(MorvaneConfiguration, NoEntriesGivesCodeTwo) {
    TempDir dir;
    Outcome missing = morvane({"none.cfg"}, dir.path());
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.output, CODE2);

    testkit::writeFile(dir.file("three.cfg"), "ModelList = {A*,B*,C*}\nA001 = x.w3d\n");
    Outcome three = morvane({"three.cfg"}, dir.path());
    EXPECT_EQ(three.exitCode, 2);
    EXPECT_EQ(three.output, CODE2);

    testkit::writeFile(dir.file("nolist.cfg"), "Model001 = x.w3d\n");
    EXPECT_EQ(morvane({"nolist.cfg"}, dir.path()).exitCode, 2);
}

TEST(MorvaneEntries, MissingInputsAreReportedAndTheRunGoesOn) {
    TempDir dir;
    testkit::writeFile(dir.file("data/present.w3d"),
                       w3dfix::hierarchy("SKL", w3dfix::pivotChain("B", 2)) +
                           w3dfix::mesh({"M", "BODY", 2, 1, {1, 1}, {}, "", "", true}) +
                           w3dfix::hlod("M", "SKL", {{{1, "M.BODY"}}}));
    testkit::writeFile(dir.file("run.cfg"),
                       "# two entries, the first one missing\n"
                       "Root = .\\data\n"
                       "ModelList = {Model*,Out*}\n"
                       "Model001 = $(Root)\\absent.w3d\n"
                       "Out001 = out\\absent.txt\n"
                       "Model002 = $(Root)\\present.w3d\n"
                       "Out002 = out\\present.txt\n"
                       "Model004 = $(Root)\\absent4.w3d\n");
    Outcome run = morvane({"run.cfg"}, dir.path());
    EXPECT_EQ(run.exitCode, EXIT_ENTRIES_FAILED);  // the run went on, but an entry was not written
    EXPECT_EQ(run.output, missingInput(".\\data\\absent.w3d") + LOG_BLOCK);
    EXPECT_TRUE(testkit::fileExists(dir.file("out/present.txt")));
    EXPECT_FALSE(testkit::fileExists(dir.file("out/absent.txt")));
}

TEST(MorvaneEntries, UpperCaseKeysAndWindowsLineEnds) {
    TempDir dir;
    testkit::writeFile(dir.file("m1.w3d"), "W3D");
    std::string config = "MODELLIST = [In*;Report*]\r\nIn001 = gone1.w3d\r\nIn002 = gone2.w3d\r\n";
    testkit::writeFile(dir.file("upper.cfg"), config);
    Outcome run = morvane({".\\upper.cfg"}, dir.path());
    EXPECT_EQ(run.exitCode, EXIT_ENTRIES_FAILED);
    EXPECT_EQ(run.output, missingInput("gone1.w3d") + missingInput("gone2.w3d") + LOG_BLOCK);
}

TEST(MorvaneEntries, ConfigurationIsReadIntoEntries) {
    TempDir dir;
    testkit::writeFile(dir.file("c.cfg"),
                       "ModelList = {Model*,Out*}\nModel001 = a.w3d\nOut001 = a.txt\nModel002 = b.w3d\n"
                       "ModelHtml = t.html\nMODELHTML = u.html\nAnimation = TRUE\n");
    ModelJob job;
    job.configure(dir.file("c.cfg").c_str());
    ASSERT_EQ(job.entries().size(), 2u);
    EXPECT_EQ(job.entries()[0].input, "a.w3d");
    EXPECT_EQ(job.entries()[0].output, "a.txt");
    EXPECT_EQ(job.entries()[1].output, "");
    EXPECT_EQ(job.inputPrefix(), "Model");
    EXPECT_EQ(job.outputPrefix(), "Out");
    EXPECT_EQ(job.htmlTemplate(), "t.html");
    EXPECT_TRUE(job.animation());

    // Items are cut at their last '*'; a single item gives entries without output.
    testkit::writeFile(dir.file("one.cfg"), "ModelList = {M*x*}\nM*x001 = a.w3d\nM*x002 = b.w3d\n");
    job.configure(dir.file("one.cfg").c_str());
    EXPECT_EQ(job.inputPrefix(), "M*x");
    ASSERT_EQ(job.entries().size(), 2u);
    EXPECT_EQ(job.entries()[1].input, "b.w3d");
    EXPECT_FALSE(job.animation());
}

TEST(MorvaneEntries, NumberingContinuesPastNineHundredNinetyNine) {
    TempDir dir;
    std::string config = "ModelList = {M*,O*}\n";
    char line[64];
    for (int n = 1; n <= 1001; ++n) {
        std::snprintf(line, sizeof line, "M%03d = f%d.w3d\n", n, n);
        config += line;
    }
    testkit::writeFile(dir.file("many.cfg"), config);
    ModelJob job;
    job.configure(dir.file("many.cfg").c_str());
    ASSERT_EQ(job.entries().size(), 1001u);
    EXPECT_EQ(job.entries()[1000].input, "f1001.w3d");
}

TEST(MorvaneInputs, DotBackslashResolvesAgainstTheCurrentDirectory) {
    TempDir dir;
    testkit::writeFile(dir.file("unit.w3d"), "W3D");
    testkit::CurrentDirectoryGuard guard(dir.path());
    std::string resolved = ModelJob::resolveInput(".\\unit.w3d");
    EXPECT_EQ(resolved, platform::currentDirectory() + "\\unit.w3d");
    EXPECT_EQ(ModelJob::resolveInput("unit.w3d"), "unit.w3d");
    EXPECT_EQ(ModelJob::resolveInput("*.w3d"), "*.w3d");
    EXPECT_EQ(ModelJob::resolveInput("absent.w3d"), "");
}
