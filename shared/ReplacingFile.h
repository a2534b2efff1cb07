// Writing a file so that a failure never leaves half a file in place of a
// good one: the content goes to a temporary file beside the target, created
// exclusively under a name nobody can plant in advance (never through an
// existing link), and the finished temporary is renamed over the target.
// On any failure the temporary is removed and the target stays as it was.
// Every writer that replaces a file goes through this class.
#pragma once

#include <cstdio>
#include <string>

class ReplacingFile {
public:
    ReplacingFile() = default;
    ~ReplacingFile() { abandon(); }
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Starts a new temporary beside target (an earlier one is abandoned).
    // False, with the system's error, when it cannot be created. A text file
    // gets the system's line ends.
    bool create(const std::string& target, bool text = false);

    // The temporary's stream, opened for update; null before create.
    std::FILE* stream() const { return stream_; }
    // Hands the stream to a caller that closes it itself; commit then only
    // renames.
    std::FILE* release();
    const std::string& temporaryPath() const { return temporary_; }
    const std::string& target() const { return target_; }
    // The system's text for the last failure of create or commit, taken
    // before the temporary was removed.
    const std::string& failureText() const { return failure_; }

    // Appends the whole content of a regular file to the temporary. False
    // when it cannot be read or written.
    bool copyFrom(const char* source);

    // Closes the stream (if still held) and, when ok and the close found no
    // error, renames the temporary over the target. False, with the
    // temporary removed, on any failure.
    bool commit(bool ok = true);
    // Closes and removes the temporary; the target is untouched.
    void abandon();

private:
    std::FILE* stream_ = nullptr;
    std::string target_;
    std::string temporary_;
    std::string failure_;
};
