// Start, stop and elapsed time of a console run and a few counter lines,
// each tagged with the program's file name, printed one message at a time.
#pragma once

#include <cstdint>
#include <ctime>

class RunLog {
public:
    static constexpr std::size_t TEXT_SIZE = 82;    // 81 characters and the terminator
    static constexpr std::size_t NAME_SIZE = 164;   // 163 characters and the terminator
    static constexpr std::size_t PATH_LIMIT = 257;

    explicit RunLog(const char* programPath);
    RunLog(const char* programPath, std::uint32_t interval);

    void setInterval(std::uint32_t n);
    void markStart();
    void markStop();
    void elapsed();

    void startedMessage();
    void stoppedMessage();
    void elapsedMessage();
    void inputsMessage();
    void outputMessage();
    void appendMessage();
    void recordsDoneMessage();
    void print() const;

    const char* message() const { return message_; }
    std::uint32_t count() const { return count_; }
    std::uint32_t secondCount() const { return secondCount_; }
    std::uint32_t dueCount() const;
    void setCount(std::uint32_t n) { count_ = n; }
    void addCount(std::uint32_t n = 1) { count_ += n; }
    void setSecondCount(std::uint32_t n) { secondCount_ = n; }

    const char* programName() const { return programName_; }
    const char* programDirectory() const { return programDirectory_; }
    const char* startedText() const { return startedText_; }
    const char* stoppedText() const { return stoppedText_; }
    const char* elapsedText() const { return elapsedText_; }
    std::uint32_t interval() const { return interval_; }
    std::uint32_t lastRecordsDone() const { return lastRecordsDone_; }

    // For tests and callers that supply their own clock.
    void setStartTime(std::time_t t);
    void setStopTime(std::time_t t);

private:
    void format(const char* pattern, const char* value);
    void formatCount(const char* pattern, std::uint32_t value);

    std::time_t start_ = 0;
    std::time_t stop_ = 0;
    std::time_t elapsed_ = 0;
    char startedText_[TEXT_SIZE] = {0};
    char stoppedText_[TEXT_SIZE] = {0};
    char elapsedText_[TEXT_SIZE] = {0};
    std::uint32_t count_ = 0;
    std::uint32_t secondCount_ = 0;
    char programDirectory_[TEXT_SIZE] = {0};
    char programName_[NAME_SIZE] = {0};
    char message_[TEXT_SIZE] = {0};
    std::uint32_t interval_ = 1;
    std::uint32_t lastRecordsDone_ = 0;
};
