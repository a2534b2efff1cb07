#include "ReplacingFile.h"

#include <memory>

#include "platform/Platform.h"

bool ReplacingFile::create(const std::string& target, bool text) {
    abandon();
    if (target.empty()) return false;
    target_ = target;
    stream_ = platform::createTemporaryBeside(target, temporary_, text);
    if (!stream_) {
        failure_ = platform::lastErrorText();
        temporary_.clear();
    }
    return stream_ != nullptr;
}

std::FILE* ReplacingFile::release() {
    std::FILE* stream = stream_;
    stream_ = nullptr;
    return stream;
}

bool ReplacingFile::copyFrom(const char* source) {
    if (!stream_) return false;
    std::FILE* in = platform::openInputFile(source, "rb");
    if (!in) return false;
    // Large pieces, so that a long file takes few system calls.
    const std::size_t size = 1 << 16;
    std::unique_ptr<char[]> buffer(new char[size]);
    bool ok = true;
    std::size_t got;
    while (ok && (got = std::fread(buffer.get(), 1, size, in)) > 0) ok = std::fwrite(buffer.get(), 1, got, stream_) == got;
    if (std::ferror(in)) ok = false;
    std::fclose(in);
    return ok;
}

bool ReplacingFile::commit(bool ok) {
    if (temporary_.empty()) return false;
    if (stream_) {
        if (std::ferror(stream_)) ok = false;
        if (std::fclose(stream_) != 0) ok = false;
        stream_ = nullptr;
    }
    if (ok && platform::replaceFile(temporary_.c_str(), target_.c_str())) {
        temporary_.clear();
        return true;
    }
    failure_ = platform::lastErrorText();
    abandon();
    return false;
}

void ReplacingFile::abandon() {
    // The clean-up keeps the error of the failure it follows.
    const int error = platform::lastErrorCode();
    if (stream_) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (!temporary_.empty()) platform::deleteFile(temporary_.c_str());
    temporary_.clear();
    platform::setLastErrorCode(error);
}
