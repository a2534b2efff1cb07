#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "FileStream.h"
#include "testkit/TestKit.h"

using testkit::TempDir;

TEST(FileStreamConstruction, ModesAndBinaryFlags) {
    FileStream a0(FileStream::APPEND, "x", 0), a1(FileStream::APPEND, "x", 1), a2(FileStream::APPEND, "x", 2),
        a9(FileStream::APPEND, "x", 9);
    FileStream w0(FileStream::WRITE, "x", 0), w5(FileStream::WRITE, "x", 5);
    FileStream r0(FileStream::READ, "x", 0), rm(FileStream::READ, "x", -1);
    EXPECT_STREQ(a0.mode(), "a+");
    EXPECT_FALSE(a0.binary());
    EXPECT_STREQ(a1.mode(), "ab+");
    EXPECT_TRUE(a1.binary());
    EXPECT_STREQ(a2.mode(), "a+");
    EXPECT_FALSE(a2.binary());
    EXPECT_STREQ(a9.mode(), "a+");
    EXPECT_STREQ(w0.mode(), "w+");
    EXPECT_STREQ(w5.mode(), "wb+");
    EXPECT_TRUE(w5.binary());
    EXPECT_STREQ(r0.mode(), "r+");
    EXPECT_STREQ(rm.mode(), "rb+");
    EXPECT_TRUE(rm.binary());
    EXPECT_EQ(r0.blockSize(), 1024);
    EXPECT_EQ(r0.lineLength(), 256);
    EXPECT_EQ(r0.lastStatus(), StreamResult::NONE);
}

TEST(FileStreamConstruction, LongNamesAreCutAndLimitsHold) {
    std::string longName(300, 'n');
    FileStream f(FileStream::WRITE, longName.c_str(), 0);
    EXPECT_EQ(std::string(f.name()), longName.substr(0, 256));
    EXPECT_EQ(f.setBlockSize(4096), 1024);
    EXPECT_EQ(f.setBlockSize(10), 10);
    EXPECT_EQ(f.setLineLength(1000), 256);
    EXPECT_EQ(f.setLineLength(20), 20);
}

TEST(FileStreamOpenClose, StatusValues) {
    TempDir dir;
    FileStream empty(FileStream::WRITE, "", 0);
    EXPECT_EQ(empty.open(), StreamResult::FAILED);
    EXPECT_EQ(empty.close(), StreamResult::CLOSED);

    FileStream missing(FileStream::READ, dir.file("missing.txt").c_str(), 0);
    EXPECT_FALSE(missing.exists());
    EXPECT_EQ(missing.open(), StreamResult::FAILED);
    EXPECT_EQ(missing.close(), StreamResult::CLOSED);

    FileStream out(FileStream::WRITE, dir.file("out.txt").c_str(), 0);
    ASSERT_EQ(out.open(), StreamResult::OPEN);
    EXPECT_TRUE(out.exists());
    EXPECT_EQ(out.writeText("hello "), StreamResult::WRITTEN);
    char buffer[16] = "abc";
    EXPECT_EQ(out.writeLine(buffer, sizeof buffer), StreamResult::WRITTEN);
    EXPECT_STREQ(buffer, "abc\n");
    EXPECT_EQ(out.writeLine("tail"), StreamResult::WRITTEN);
    EXPECT_EQ(out.close(), StreamResult::CLOSED);
    EXPECT_EQ(testkit::readFile(dir.file("out.txt")), testkit::textFileBytes("hello abc\ntail\n"));
}

TEST(FileStreamOpenClose, AppendKeepsAndReadOnlyFilesAreStillRead) {
    TempDir dir;
    testkit::writeFile(dir.file("log.txt"), "first\n");
    FileStream app(FileStream::APPEND, dir.file("log.txt").c_str(), 1);
    ASSERT_EQ(app.open(), StreamResult::OPEN);
    app.writeText("second\n");
    EXPECT_EQ(app.close(), StreamResult::CLOSED);
    EXPECT_EQ(testkit::readFile(dir.file("log.txt")), "first\nsecond\n");

    std::filesystem::permissions(dir.file("log.txt"),
                                 std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    FileStream in(FileStream::READ, dir.file("log.txt").c_str(), 0);
    ASSERT_EQ(in.open(), StreamResult::OPEN);
    EXPECT_STREQ(in.readLine(), "first\n");
    EXPECT_EQ(in.close(), StreamResult::CLOSED);
}

TEST(FileStreamWriteLine, NeverWritesPastTheCallersBuffer) {
    TempDir dir;
    FileStream out(FileStream::WRITE, dir.file("w.txt").c_str(), 1);
    ASSERT_EQ(out.open(), StreamResult::OPEN);
    // A full buffer: the newline does not fit, the guard byte stays intact.
    char storage[8];
    std::memcpy(storage, "abcd", 5);
    storage[5] = '#';
    EXPECT_EQ(out.writeLine(storage, 5), StreamResult::WRITTEN);
    EXPECT_EQ(storage[4], '\0');
    EXPECT_EQ(storage[5], '#');
    // A buffer without a terminator inside its capacity.
    char unterminated[3] = {'x', 'y', 'z'};
    EXPECT_EQ(out.writeLine(unterminated, sizeof unterminated), StreamResult::WRITTEN);
    out.close();
    EXPECT_EQ(testkit::readFile(dir.file("w.txt")), "abcd\nxyz\n");
}

TEST(FileStreamRead, LinesAreBoundedAndContinue) {
    TempDir dir;
    std::string longLine(300, 'L');
    testkit::writeFile(dir.file("lines.txt"), longLine + "\nshort\n");
    FileStream in(FileStream::READ, dir.file("lines.txt").c_str(), 0);
    ASSERT_EQ(in.open(), StreamResult::OPEN);
    EXPECT_EQ(std::string(in.readLine()), longLine.substr(0, 255));
    EXPECT_EQ(std::string(in.readLine()), std::string(45, 'L') + "\n");
    EXPECT_FALSE(in.atEnd());
    EXPECT_STREQ(in.readLine(), "short\n");
    EXPECT_STREQ(in.readLine(), "");
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(in.lastStatus(), StreamResult::AT_END);
    in.close();
}

TEST(FileStreamRead, BlocksSizeAndSeek) {
    TempDir dir;
    std::string data(5000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + 1);
    testkit::writeFile(dir.file("blocks.bin"), data);

    FileStream text(FileStream::READ, dir.file("blocks.bin").c_str(), 0);
    ASSERT_EQ(text.open(), StreamResult::OPEN);
    EXPECT_EQ(text.size(), 0);
    text.close();

    FileStream in(FileStream::READ, dir.file("blocks.bin").c_str(), 1);
    ASSERT_EQ(in.open(), StreamResult::OPEN);
    ASSERT_EQ(in.readBlock()[0], static_cast<unsigned char>(data[0]));
    EXPECT_EQ(in.size(), 5000);
    const unsigned char* block = in.readBlock();  // size() went back to the start
    EXPECT_EQ(std::memcmp(block, data.data(), 1024), 0);

    EXPECT_TRUE(in.seek(-5));
    EXPECT_TRUE(in.seek(4990));
    block = in.readBlock();
    EXPECT_EQ(in.lastBlockBytes(), 10u);
    EXPECT_EQ(std::memcmp(block, data.data() + 4990, 10), 0);
    for (int i = 10; i < 1024; ++i) ASSERT_EQ(block[i], 0) << i;

    EXPECT_TRUE(in.rewind());
    in.setBlockSize(4);
    block = in.readBlock();
    EXPECT_EQ(in.lastBlockBytes(), 4u);
    EXPECT_EQ(block[4], 0);
    in.close();
}

TEST(FileStreamWrite, BlocksAreWrittenWhole) {
    TempDir dir;
    FileStream out(FileStream::WRITE, dir.file("b.bin").c_str(), 1);
    ASSERT_EQ(out.open(), StreamResult::OPEN);
    unsigned char data[1024];
    for (int i = 0; i < 1024; ++i) data[i] = static_cast<unsigned char>(i);
    out.setBlockSize(300);
    EXPECT_EQ(out.writeBlock(data), StreamResult::WRITTEN);
    EXPECT_EQ(out.lastStatus(), StreamResult::WRITTEN);
    EXPECT_EQ(out.close(), StreamResult::CLOSED);
    EXPECT_EQ(testkit::readFile(dir.file("b.bin")), std::string(reinterpret_cast<char*>(data), 300));
}
