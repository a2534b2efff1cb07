#include "TextOutput.h"

#include "FileStream.h"

TextOutput::TextOutput() = default;

TextOutput::~TextOutput() { abandon(); }

bool TextOutput::create(const std::string& path) {
    abandon();
    failed_ = false;
    buffer_.clear();
    if (!file_.create(path, true)) return false;
    stream_.reset(new FileStream(FileStream::WRITE, file_.temporaryPath().c_str(), 0));
    stream_->adopt(file_.release());
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
    if (stream_ && !buffer_.empty() && stream_->writeText(buffer_.c_str()) != StreamResult::WRITTEN) failed_ = true;
    buffer_.clear();
}

bool TextOutput::finish() {
    if (!stream_) return false;
    flush();
    bool ok = !failed_ && stream_->close() == StreamResult::CLOSED;
    stream_.reset();
    return file_.commit(ok);
}

void TextOutput::abandon() {
    buffer_.clear();
    if (stream_) {
        stream_->close();
        stream_.reset();
    }
    file_.abandon();
}
