// What every subcommand of modtools shares: the exit statuses, the one-line
// diagnostics, the checks of inputs and outputs made before any work starts,
// the writing of an output through a temporary file, the progress line and
// the JSON documents of the listing subcommands.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "WorkProgress.h"

namespace CLI {
class App;
}

struct PassedOver;

namespace cli {

// Exit statuses.
constexpr int STATUS_DONE = 0;
constexpr int STATUS_USAGE = 1;     // the command line is wrong
constexpr int STATUS_BAD_FILE = 2;  // an input cannot be read or is not of its format, or an output cannot be written
constexpr int STATUS_PARTIAL = 3;   // the work was done only in part

// Ends a subcommand: main prints "modtools: PATH: reason" and exits with status.
struct Failure : std::runtime_error {
    Failure(int status, const std::string& path, const std::string& reason)
        : std::runtime_error(path.empty() ? reason : path + ": " + reason), status(status) {}
    int status;
};

// A subcommand's work, run once the whole command line has been parsed.
using Action = std::function<int()>;
void setAction(CLI::App* command, Action action);
Action takeAction();

// One diagnostic line on standard error: "modtools: PATH: reason".
void warn(const std::string& path, const std::string& reason);

// The one-line summary every writing subcommand prints on standard output
// when it is done (printf's format); nothing once setQuiet(true).
void summary(const char* format, ...);
void setQuiet(bool quiet);

// The parser's habits, set before any subcommand is added (subcommands take
// them over): an argument starting with '/' is a path on every system, never
// an option, and every command's help ends with the exit statuses.
void prepareParser(CLI::App& app);
// Gives the top level and every subcommand that does the work -q,--quiet
// (no summary line), once all subcommands are added.
void addQuietFlags(CLI::App& app, bool& quiet);
// What the parser could not place, named: "unknown option --bogus",
// "unknown subcommand bogus", "unexpected argument x"; empty when every
// argument was taken.
std::string unplacedArgumentText(const CLI::App& app);
// A path as this system writes it: the cores join names with '\';
// elsewhere than on Windows it is shown with '/'.
void appendShownPath(std::string& out, const std::string& path);
std::string shownPath(const std::string& path);

// One line for each entry a walk passed over, with its reason. STATUS_PARTIAL
// when there was one, else STATUS_DONE.
int warnPassedOver(const std::vector<PassedOver>& passed);

// An existing, readable file (not a folder); else a Failure with status 2.
void requireFile(const std::string& path);
// An existing folder; else a Failure with status 2.
void requireFolder(const std::string& path);
// An output that can be put in place: its folder exists and the path is
// neither a folder nor write-protected; else a Failure with status 2.
void requireWritable(const std::string& path);
// The input that the output names, by file identity whatever the spelling (a
// link, "dir/../name", a hard link, other letter case on Windows); null when
// it names none of them.
const std::string* sameFileAs(const std::string& output, const std::vector<std::string>& inputs);
// Every command that reads inputs and writes an output asks this before any
// work: the output has a name (else a Failure with status 1) and is none of
// the inputs (else a Failure with status 2), so that nothing is written over
// what the command reads.
void requireOutputApart(const std::string& output, const std::vector<std::string>& inputs);

// Writes an output file through a temporary file beside it, moved over the
// target only when complete; a Failure with status 2 leaves the target as it
// was and no temporary file behind.
void writeOutput(const std::string& path, const std::string& bytes);
// The whole file; a Failure with status 2 when it cannot be read.
std::string readInput(const std::string& path);
// Bytes to standard output, as they are (binary on every system).
void writeStdout(const char* data, std::size_t size);

// Text for standard output, gathered and written in blocks of 64 KiB (in
// text mode, so Windows line ends stay as printf gives them): a line at a
// time costs a system call per line on a console and under Wine.
class StdoutText {
public:
    StdoutText() = default;
    ~StdoutText() { flush(); }
    StdoutText(const StdoutText&) = delete;
    StdoutText& operator=(const StdoutText&) = delete;

    // The text to append to; call spill() after each line.
    std::string& text() { return out_; }
    void spill() {
        if (out_.size() >= BLOCK) flush();
    }
    void flush();
    // Text gathered elsewhere, written after what was gathered here.
    void write(const char* data, std::size_t size);

private:
    static constexpr std::size_t BLOCK = 1 << 16;
    std::string out_;
};

// The reason the system gives for the last failed call.
std::string systemReason();

// "  done/total what" on standard error, rewritten in place, only when
// standard error is a terminal; finish() ends the line.
class Progress {
public:
    explicit Progress(std::string what);
    ~Progress();
    void update(std::int64_t done, std::int64_t total);
    bool shown() const { return shown_; }

private:
    std::string what_;
    bool shown_;
    bool drawn_ = false;
    std::int64_t lastShown_ = -1;
};

// A core operation's own count drawn as the progress line.
class CountedProgress : public WorkProgress {
public:
    explicit CountedProgress(std::string what) : line_(std::move(what)) {}
    void advance(std::uint64_t amount) override {
        WorkProgress::advance(amount);
        line_.update(static_cast<std::int64_t>(done.load()), static_cast<std::int64_t>(total.load()));
    }

private:
    Progress line_;
};

// A JSON document on standard output, on one line.
void printJson(const nlohmann::json& document);

}  // namespace cli
