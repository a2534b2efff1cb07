#include "TextOutput.h"

#include "FileStream.h"
#include "W3dChunk.h"
#include "platform/Platform.h"

TextOutput::TextOutput() = default;

TextOutput::~TextOutput() { abandon(); }

bool TextOutput::create(const std::string& path) {
    abandon();
    target_ = path;
    temporary_ = w3d::temporaryName(path);
    failed_ = false;
    buffer_.clear();
    stream_.reset(new FileStream(FileStream::WRITE, temporary_.c_str(), 0));
    if (temporary_.size() > FileStream::NAME_LIMIT || stream_->open() != FS_OPEN) {
        stream_.reset();
        temporary_.clear();
        return false;
    }
    return true;
}

namespace {
constexpr std::size_t FLUSH_AT = 64 * 1024;
}

void TextOutput::write(const char* text) {
    if (!stream_) return;
    buffer_ += text;
    if (buffer_.size() >= FLUSH_AT) flush();
}

void TextOutput::flush() {
    if (stream_ && !buffer_.empty() && stream_->writeText(buffer_.c_str()) != FS_WRITTEN) failed_ = true;
    buffer_.clear();
}

bool TextOutput::finish() {
    if (!stream_) return false;
    flush();
    bool ok = !failed_ && stream_->close() == FS_CLOSED;
    stream_.reset();
    if (ok) ok = platform::replaceFile(temporary_.c_str(), target_.c_str());
    if (!ok) platform::deleteFile(temporary_.c_str());
    temporary_.clear();
    return ok;
}

void TextOutput::abandon() {
    buffer_.clear();
    if (stream_) {
        stream_->close();
        stream_.reset();
    }
    if (!temporary_.empty()) platform::deleteFile(temporary_.c_str());
    temporary_.clear();
}
