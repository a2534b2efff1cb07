// Morvane's driver: reads the configuration, builds the list of input and
// output pairs, hands each existing input to model mode or animation mode and
// prints the run's started/stopped block.
#pragma once

#include <string>
#include <vector>

#include "W3dAnimation.h"
#include "W3dModel.h"
#include "platform/Platform.h"

class RunLog;

struct ModelEntry {
    std::string input;      // as given in the configuration, at most 260 characters
    std::string output;     // at most 260 characters; empty when no key names it
    std::string outputKey;  // the key naming the output; empty when the list has no output prefix
};

// How a run ends: at its end with every entry written, at its end with some
// entries unwritten, or early for an error that the entry point reports in a
// frame. The value of each is the exit status it gives.
enum class RunResult { COMPLETED = 0, BAD_ARGUMENTS = 1, NO_ENTRIES = 2, ENTRIES_FAILED = 4 };

// The exit status of a run: 0 after a run that got to its end with every
// entry written, 1 and 2 after the error codes, 3 after an abnormal
// termination, 4 after a run that got to its end but left some entries
// unwritten (missing or unreadable input, missing skeleton, an output that
// could not be written or was refused).
constexpr int EXIT_OK = 0;
constexpr int EXIT_ABNORMAL = 3;
constexpr int EXIT_ENTRIES_FAILED = 4;

class ModelJob {
public:
    static constexpr std::size_t ARGUMENT_LIMIT = 256;
    static constexpr std::size_t PATH_LIMIT = 260;
    static constexpr std::size_t RESOLVED_LIMIT = 768;
    static constexpr std::size_t PREFIX_LIMIT = 31;

    ModelJob();
    ~ModelJob();
    ModelJob(const ModelJob&) = delete;
    ModelJob& operator=(const ModelJob&) = delete;

    // The whole run as the entry point performs it.
    RunResult run(int argc, char** argv);

    // The configuration phase alone: loads the file and builds the entries.
    void configure(const char* configName);

    const std::vector<ModelEntry>& entries() const { return entries_; }
    const std::string& inputPrefix() const { return inputPrefix_; }
    const std::string& outputPrefix() const { return outputPrefix_; }
    const std::string& htmlTemplate() const { return htmlTemplate_; }
    bool html() const { return !htmlTemplate_.empty(); }
    bool animation() const { return animation_; }
    // Configuration keys whose value was cut at a limit (the reader's or a
    // path's), in the order met.
    const std::vector<std::string>& cutKeys() const { return cutKeys_; }

    // The path an existing input is read from: as given, except that ".\"
    // at its start becomes the current directory and a backslash. Empty when
    // the input does not exist (the error text is then the system's).
    static std::string resolveInput(const std::string& input);

    // Text for a result, as the frame prints it.
    static const char* errorText(RunResult result);

private:
    void processEntry(const ModelEntry& entry, const std::string& resolved);
    void runModelMode(const ModelEntry& entry, const std::string& resolved);
    void runAnimationMode(const ModelEntry& entry, const std::string& resolved);
    // Creates the output's folder (with its parents) unless it is the one
    // created last in this run.
    void createOutputFolder(const std::string& output);
    // True when writing path would replace an input of the run (an entry's
    // input, the template, a skeleton file an entry reads) or a file the run
    // wrote before.
    bool replacesFileOfRun(const std::string& path) const;
    // False, with a message, when writing path would replace a file of the run.
    bool mayWrite(const std::string& path, const char* what);
    void reportReplacing(const std::string& path, const char* what);
    // Reports an entry that was read but has nothing to write or no output
    // named, so that every entry not written is told.
    void reportNothingWritten(const ModelEntry& entry, const std::string& reason);
    // False, with a message, when the entry names no output.
    bool hasOutput(const ModelEntry& entry);
    // Reports an output that could not be written, with the system's reason.
    void reportWriteFailure(const std::string& path, const std::string& reason);
    void noteWritten(const std::string& path);
    void noteInput(const std::string& path);
    // Notes the skeleton file an entry reads beside its input, found
    // before any output of the run is written.
    void noteSkeletonFile(const ModelEntry& entry);

    std::vector<ModelEntry> entries_;
    std::string inputPrefix_;
    std::string outputPrefix_;
    std::string htmlTemplate_;
    bool animation_ = false;

    // One reader per mode, reused for every entry; each read starts empty.
    W3dModel modelReader_;
    W3dAnimation animationReader_;
    std::string lastFolder_;
    std::vector<std::string> cutKeys_;
    // Files this run reads or has written, known by identity, never replaced.
    std::vector<platform::FileIdentity> protected_;
    int failed_ = 0;
};

// Prints a framed block: empty line, row of 53 '=', the text, row, empty line.
void printFrame(const char* text);
// The row of 53 '=' characters.
extern const char* const EQUALS_ROW;

// The program's entry point behind main(): runs the job, prints the frame of
// an error that ended it early, and returns the exit status.
int morvaneMain(int argc, char** argv);
