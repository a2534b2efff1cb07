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
    stream_.reset(new FileStream(FileStream::WRITE, temporary_.c_str(), 0));
    if (temporary_.size() > FileStream::NAME_LIMIT || stream_->open() != FS_OPEN) {
        stream_.reset();
        temporary_.clear();
        return false;
    }
    return true;
}

void TextOutput::write(const char* text) {
    if (stream_ && stream_->writeText(text) != FS_WRITTEN) failed_ = true;
}

bool TextOutput::finish() {
    if (!stream_) return false;
    bool ok = !failed_ && stream_->close() == FS_CLOSED;
    stream_.reset();
    if (ok) ok = platform::replaceFile(temporary_.c_str(), target_.c_str());
    if (!ok) platform::deleteFile(temporary_.c_str());
    temporary_.clear();
    return ok;
}

void TextOutput::abandon() {
    if (stream_) {
        stream_->close();
        stream_.reset();
    }
    if (!temporary_.empty()) platform::deleteFile(temporary_.c_str());
    temporary_.clear();
}
