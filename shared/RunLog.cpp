#include "RunLog.h"

#include <cstdio>
#include <cstring>

#include "platform/Platform.h"

namespace {

void copyCut(char* field, std::size_t size, const char* text, std::size_t length) {
    std::size_t n = length < size - 1 ? length : size - 1;
    std::memcpy(field, text, n);
    field[n] = '\0';
}

void formatTime(char* field, std::size_t size, std::time_t t, bool universal, const char* pattern) {
    std::tm parts{};
#ifdef _WIN32
    if (universal) gmtime_s(&parts, &t); else localtime_s(&parts, &t);
#else
    if (universal) gmtime_r(&t, &parts); else localtime_r(&t, &parts);
#endif
    if (std::strftime(field, size, pattern, &parts) == 0) field[0] = '\0';
}

}  // namespace

RunLog::RunLog(const char* programPath) : RunLog(programPath, 1) {}

RunLog::RunLog(const char* programPath, std::uint32_t interval) : interval_(interval ? interval : 1) {
    const char* path = programPath ? programPath : "";
    std::size_t length = std::strlen(path);
    if (length > PATH_LIMIT) return;
    if (const char* cut = platform::lastSeparator(path)) {
        copyCut(programName_, sizeof programName_, cut + 1, std::strlen(cut + 1));
        copyCut(programDirectory_, sizeof programDirectory_, path, static_cast<std::size_t>(cut - path));
    } else {
        copyCut(programName_, sizeof programName_, path, length);
    }
}

void RunLog::setInterval(std::uint32_t n) { interval_ = n ? n : 1; }

void RunLog::setStartTime(std::time_t t) {
    start_ = t;
    formatTime(startedText_, sizeof startedText_, start_, false, "%d.%m.%Y %H:%M:%S");
}

void RunLog::setStopTime(std::time_t t) {
    stop_ = t;
    formatTime(stoppedText_, sizeof stoppedText_, stop_, false, "%d.%m.%Y %H:%M:%S");
}

void RunLog::markStart() { setStartTime(std::time(nullptr)); }
void RunLog::markStop() { setStopTime(std::time(nullptr)); }

void RunLog::elapsed() {
    elapsed_ = stop_ - start_;
    formatTime(elapsedText_, sizeof elapsedText_, elapsed_, true, "%H:%M:%S");
}

void RunLog::format(const char* pattern, const char* value) {
    // Built whole, then cut to the message field.
    char whole[NAME_SIZE + 2 * TEXT_SIZE];
    int length = std::snprintf(whole, sizeof whole, pattern, programName_, value);
    copyCut(message_, sizeof message_, whole, length < 0 ? 0 : static_cast<std::size_t>(length));
}

void RunLog::formatCount(const char* pattern, std::uint32_t value) {
    char whole[NAME_SIZE + 2 * TEXT_SIZE];
    int length = std::snprintf(whole, sizeof whole, pattern, programName_, value);
    copyCut(message_, sizeof message_, whole, length < 0 ? 0 : static_cast<std::size_t>(length));
}

void RunLog::startedMessage() { format("** %s:  started = %s", startedText_); }
void RunLog::stoppedMessage() { format("** %s:  stopped = %s", stoppedText_); }
void RunLog::elapsedMessage() { format("** %s:  elapsed = %s", elapsedText_); }

void RunLog::inputsMessage() { formatCount("** %s:  inputs  = %8u", count_); }
void RunLog::outputMessage() { formatCount("** %s:  output  = %8u", count_); }
void RunLog::appendMessage() { formatCount("** %s:  total append = %8u", count_); }

void RunLog::recordsDoneMessage() {
    if (count_ != 0 && count_ % interval_ == 0) {
        formatCount("-- %s:  records done = %8u", count_);
        lastRecordsDone_ = count_;
    } else {
        lastRecordsDone_ = 0;
    }
}

std::uint32_t RunLog::dueCount() const { return count_ % interval_ == 0 ? count_ : 0; }

void RunLog::print() const {
    std::fputs(message_, stdout);
    std::fputc('\n', stdout);
}
