#include <gtest/gtest.h>

#include <ctime>

#include "RunLog.h"

namespace {
std::time_t localTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    return std::mktime(&parts);
}
}  // namespace

TEST(RunLogNames, PathIsSplitAtTheLastSeparator) {
    RunLog full("C:\\tools\\Morvane.exe");
    EXPECT_STREQ(full.programName(), "Morvane.exe");
    EXPECT_STREQ(full.programDirectory(), "C:\\tools");
    RunLog bare("Morvane.exe");
    EXPECT_STREQ(bare.programName(), "Morvane.exe");
    EXPECT_STREQ(bare.programDirectory(), "");
    std::string tooLong = "C:\\" + std::string(260, 'd') + "\\x.exe";
    RunLog none(tooLong.c_str());
    EXPECT_STREQ(none.programName(), "");
    // A directory longer than its field is cut, never overrun.
    std::string longDir = "C:\\" + std::string(150, 'd') + "\\y.exe";
    RunLog cut(longDir.c_str());
    EXPECT_STREQ(cut.programName(), "y.exe");
    EXPECT_EQ(std::string(cut.programDirectory()).size(), 81u);
}

TEST(RunLogTimes, StartedStoppedAndElapsed) {
    RunLog log("Morvane.exe");
    log.setStartTime(localTime(2026, 12, 6, 9, 15, 2));
    log.setStopTime(localTime(2026, 12, 6, 9, 16, 5));
    log.elapsed();
    EXPECT_STREQ(log.startedText(), "06.12.2026 09:15:02");
    EXPECT_STREQ(log.stoppedText(), "06.12.2026 09:16:05");
    EXPECT_STREQ(log.elapsedText(), "00:01:03");
    log.startedMessage();
    EXPECT_STREQ(log.message(), "** Morvane.exe:  started = 06.12.2026 09:15:02");
    log.stoppedMessage();
    EXPECT_STREQ(log.message(), "** Morvane.exe:  stopped = 06.12.2026 09:16:05");
    log.elapsedMessage();
    EXPECT_STREQ(log.message(), "** Morvane.exe:  elapsed = 00:01:03");
}

TEST(RunLogCounters, MessagesAndInterval) {
    RunLog log("x.exe", 0);
    EXPECT_EQ(log.interval(), 1u);
    log.setInterval(0);
    EXPECT_EQ(log.interval(), 1u);
    log.setCount(42);
    log.inputsMessage();
    EXPECT_STREQ(log.message(), "** x.exe:  inputs  =       42");
    log.outputMessage();
    EXPECT_STREQ(log.message(), "** x.exe:  output  =       42");
    log.appendMessage();
    EXPECT_STREQ(log.message(), "** x.exe:  total append =       42");

    log.setInterval(10);
    log.recordsDoneMessage();  // 42 is not due: message stays
    EXPECT_STREQ(log.message(), "** x.exe:  total append =       42");
    EXPECT_EQ(log.lastRecordsDone(), 0u);
    EXPECT_EQ(log.dueCount(), 0u);
    log.setCount(50);
    log.recordsDoneMessage();
    EXPECT_STREQ(log.message(), "-- x.exe:  records done =       50");
    EXPECT_EQ(log.lastRecordsDone(), 50u);
    EXPECT_EQ(log.dueCount(), 50u);
    log.setCount(0);
    log.recordsDoneMessage();
    EXPECT_EQ(log.lastRecordsDone(), 0u);
}
