#include "CliSupport.h"

#include <cstdarg>
#include <algorithm>
#include <cstdio>

#include <CLI/CLI.hpp>

#include "FolderScanner.h"
#include "ReplacingFile.h"
#include "platform/Platform.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace cli {

namespace {
Action pendingAction;
bool quietRun = false;

std::string folderOf(const std::string& path) {
    const std::size_t sep = platform::lastSeparator(path);
    if (sep == std::string::npos) return ".";
    return sep == 0 ? path.substr(0, 1) : path.substr(0, sep);
}
}  // namespace

void setAction(CLI::App* command, Action action) {
    command->callback([action] { pendingAction = action; });
}

Action takeAction() { return std::move(pendingAction); }

void warn(const std::string& path, const std::string& reason) {
    std::fprintf(stderr, "modtools: %s%s%s\n", path.c_str(), path.empty() ? "" : ": ", reason.c_str());
}

void summary(const char* format, ...) {
    if (quietRun) return;
    std::va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
}

void setQuiet(bool quiet) { quietRun = quiet; }

void prepareParser(CLI::App& app) {
    // CLI11 takes "/name" for an option in its Windows builds; there it is a
    // path, as everywhere else.
    app.allow_windows_style_options(false);
    app.footer("Exit status: 0 done, 1 usage error, 2 a file could not be read, was not of its format or could not "
               "be written, 3 done only in part.");
}

void addQuietFlags(CLI::App& app, bool& quiet) {
    const std::vector<CLI::App*> subcommands = app.get_subcommands({});
    if (app.get_parent() == nullptr || subcommands.empty())
        app.add_flag("-q,--quiet", quiet, "Print no summary line (diagnostics still go to standard error)");
    for (CLI::App* sub : subcommands) addQuietFlags(*sub, quiet);
}

std::string unplacedArgumentText(const CLI::App& app) {
    const std::vector<std::string> left = app.remaining(true);
    if (left.empty()) return std::string();
    const std::string& first = left.front();
    if (first.size() > 1 && first[0] == '-') return "unknown option " + first;
    // The last command given still wanting its subcommand: the word was meant as one.
    const CLI::App* last = &app;
    while (!last->get_subcommands().empty()) last = last->get_subcommands().front();
    if (last->get_require_subcommand_min() > 0) return "unknown subcommand " + first;
    return "unexpected argument " + first;
}

std::string systemReason() { return platform::lastErrorText(200); }

void appendShownPath(std::string& out, const std::string& path) {
#ifdef _WIN32
    out += path;
#else
    const std::size_t at = out.size();
    out += path;
    std::replace(out.begin() + static_cast<std::ptrdiff_t>(at), out.end(), '\\', '/');
#endif
}

std::string shownPath(const std::string& path) {
    std::string out;
    appendShownPath(out, path);
    return out;
}

int warnPassedOver(const std::vector<PassedOver>& passed) {
    for (const PassedOver& p : passed) warn(shownPath(p.path), passReasonText(p.reason));
    return passed.empty() ? STATUS_DONE : STATUS_PARTIAL;
}

void requireFile(const std::string& path) {
    const std::uint32_t attributes = platform::fileAttributes(path.c_str());
    if (attributes == platform::ATTR_INVALID) throw Failure(STATUS_BAD_FILE, path, "no such file");
    if (attributes & platform::ATTR_DIRECTORY) throw Failure(STATUS_BAD_FILE, path, "is a folder, not a file");
    // A pipe or a device is refused at once, never opened (an open could block).
    if (const char* problem = platform::inputProblem(path.c_str())) throw Failure(STATUS_BAD_FILE, path, problem);
    std::FILE* f = platform::openInputFile(path.c_str(), "rb");
    if (!f) throw Failure(STATUS_BAD_FILE, path, "cannot be read: " + systemReason());
    std::fclose(f);
}

void requireFolder(const std::string& path) {
    const std::uint32_t attributes = platform::fileAttributes(path.c_str());
    if (attributes == platform::ATTR_INVALID) throw Failure(STATUS_BAD_FILE, path, "no such folder");
    if (!(attributes & platform::ATTR_DIRECTORY)) throw Failure(STATUS_BAD_FILE, path, "is a file, not a folder");
}

void requireWritable(const std::string& path) {
    const std::string folder = folderOf(path);
    const std::uint32_t attributes = platform::fileAttributes(folder.c_str());
    if (attributes == platform::ATTR_INVALID || !(attributes & platform::ATTR_DIRECTORY))
        throw Failure(STATUS_BAD_FILE, path, "the folder " + folder + " does not exist");
    const std::uint32_t target = platform::fileAttributes(path.c_str());
    if (target != platform::ATTR_INVALID && (target & platform::ATTR_DIRECTORY))
        throw Failure(STATUS_BAD_FILE, path, "is a folder, not a file");
    if (platform::isWriteProtected(path.c_str())) throw Failure(STATUS_BAD_FILE, path, "is write-protected");
}

const std::string* sameFileAs(const std::string& output, const std::vector<std::string>& inputs) {
    const platform::FileIdentity written = platform::fileIdentity(output.c_str());
    if (!written.valid) return nullptr;  // a new file is none of the inputs
    for (const std::string& input : inputs)
        if (platform::fileIdentity(input.c_str()) == written) return &input;
    return nullptr;
}

void requireOutputApart(const std::string& output, const std::vector<std::string>& inputs) {
    if (output.empty()) throw Failure(STATUS_USAGE, "", "the output's name is empty");
    if (const std::string* input = sameFileAs(output, inputs))
        throw Failure(STATUS_BAD_FILE, output,
                      output == *input ? "is the input itself; nothing was written"
                                       : "is the input " + *input + " by another name; nothing was written");
}

void writeOutput(const std::string& path, const std::string& bytes) {
    requireWritable(path);
    ReplacingFile file;
    if (!file.create(path)) throw Failure(STATUS_BAD_FILE, path, "cannot be written: " + file.failureText());
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file.stream()) == bytes.size();
    if (!file.commit(ok)) throw Failure(STATUS_BAD_FILE, path, "cannot be written: " + file.failureText());
}

std::string readInput(const std::string& path) {
    requireFile(path);
    std::FILE* f = platform::openInputFile(path.c_str(), "rb");
    if (!f) throw Failure(STATUS_BAD_FILE, path, "cannot be read: " + systemReason());
    // Read at once into a string of the file's size; a file that grew since
    // is read on to its end.
    const std::int64_t size = platform::fileSize(path.c_str());
    std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    std::size_t got = bytes.empty() ? 0 : std::fread(&bytes[0], 1, bytes.size(), f);
    bytes.resize(got);
    char buffer[65536];
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, got);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) throw Failure(STATUS_BAD_FILE, path, "cannot be read");
    return bytes;
}

void writeStdout(const char* data, std::size_t size) {
#ifdef _WIN32
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (size > 0 && std::fwrite(data, 1, size, stdout) != size)
        throw Failure(STATUS_BAD_FILE, "standard output", "cannot be written");
}

void StdoutText::flush() {
    if (!out_.empty()) std::fwrite(out_.data(), 1, out_.size(), stdout);
    out_.clear();
}

void StdoutText::write(const char* data, std::size_t size) {
    flush();
    if (size > 0) std::fwrite(data, 1, size, stdout);
}

Progress::Progress(std::string what) : what_(std::move(what)), shown_(isatty(fileno(stderr)) != 0) {}

Progress::~Progress() {
    if (drawn_) std::fputc('\n', stderr);
}

void Progress::update(std::int64_t done, std::int64_t total) {
    if (!shown_) return;
    // Redrawn in steps of a hundredth, so that a long run writes little.
    const std::int64_t step = total > 100 ? total / 100 : 1;
    if (done != total && lastShown_ >= 0 && done - lastShown_ < step) return;
    lastShown_ = done;
    std::fprintf(stderr, "\r  %lld/%lld %s", static_cast<long long>(done), static_cast<long long>(total),
                 what_.c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void printJson(const nlohmann::json& document) {
    // Names from archives and tables are bytes; what is not UTF-8 is replaced.
    const std::string text = document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

}  // namespace cli
