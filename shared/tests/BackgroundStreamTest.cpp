// The background streams: everything handed over arrives in order, a write
// that fails is reported, and reading stops at the limit or the file's end.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "BackgroundStream.h"
#include "platform/Platform.h"
#include "testkit/TestKit.h"

using testkit::TempDir;

namespace {

std::string pattern(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + seed + i / 977) & 0xFF);
    return bytes;
}

// Reads the whole of `path` from `skip` on through a reader with `limit`.
std::string readThrough(const std::string& path, long skip, std::int64_t limit, bool* failed = nullptr,
                        bool background = true) {
    std::FILE* in = platform::openFile(path.c_str(), "rb");
    EXPECT_NE(in, nullptr);
    if (!in) return std::string();
    std::fseek(in, skip, SEEK_SET);
    std::string got;
    {
        BackgroundReader reader(in, limit, background);
        const unsigned char* piece = nullptr;
        std::size_t length;
        while ((length = reader.next(piece)) > 0) {
            EXPECT_LE(length, BackgroundReader::BUFFER_SIZE);
            got.append(reinterpret_cast<const char*>(piece), length);
        }
        EXPECT_EQ(reader.next(piece), 0u);  // the end stays the end
        if (failed) *failed = reader.failed();
    }
    std::fclose(in);
    return got;
}

}  // namespace

// Both run the same with their own thread and, when no thread can be had,
// in the caller's.
class BackgroundStreams : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(ThreadOrNot, BackgroundStreams, ::testing::Bool());

TEST_P(BackgroundStreams, WriterWritesEveryBufferInOrder) {
    TempDir dir;
    const std::string path = dir.file("out.bin");
    std::string expected;
    {
        std::FILE* out = platform::openFile(path.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        BackgroundWriter writer(out, GetParam());
        // More buffers than the ring holds, full, partly filled and empty.
        for (unsigned i = 0; i < 3 * BackgroundWriter::BUFFERS + 2; ++i) {
            char* buffer = writer.acquire();
            const std::size_t length = i % 4 == 3 ? 0 : BackgroundWriter::BUFFER_SIZE - (i * 7919) % 5000;
            const std::string part = pattern(length, i);
            std::memcpy(buffer, part.data(), length);
            writer.submit(buffer, length);
            expected += part;
        }
        EXPECT_TRUE(writer.finish());
        EXPECT_TRUE(writer.finish());  // finishing twice changes nothing
        std::fclose(out);
    }
    EXPECT_TRUE(testkit::readFile(path) == expected);

    // Destroyed without finish(): what was handed over is still written.
    {
        std::FILE* out = platform::openFile(path.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        {
            BackgroundWriter writer(out, GetParam());
            char* buffer = writer.acquire();
            std::memcpy(buffer, "last words", 10);
            writer.submit(buffer, 10);
        }
        std::fclose(out);
    }
    EXPECT_EQ(testkit::readFile(path), "last words");
}

TEST_P(BackgroundStreams, WriterReportsAWriteThatFails) {
    TempDir dir;
    const std::string path = dir.file("in.bin");
    testkit::writeFile(path, "read only");
    std::FILE* in = platform::openFile(path.c_str(), "rb");  // writes to it fail
    ASSERT_NE(in, nullptr);
    {
        BackgroundWriter writer(in, GetParam());
        for (int i = 0; i < 2 * BackgroundWriter::BUFFERS; ++i) {
            char* buffer = writer.acquire();  // never waits for ever after a failure
            std::memset(buffer, 'x', 100);
            writer.submit(buffer, 100);
        }
        EXPECT_FALSE(writer.finish());
    }
    std::fclose(in);
    EXPECT_EQ(testkit::readFile(path), "read only");
}

TEST_P(BackgroundStreams, ReaderDeliversTheFileUpToItsLimit) {
    const bool background = GetParam();
    TempDir dir;
    const std::string path = dir.file("data.bin");
    const std::size_t size = 2 * BackgroundReader::BUFFER_SIZE * BackgroundReader::BUFFERS + 12345;
    const std::string data = pattern(size, 7);
    testkit::writeFile(path, data);

    bool failed = true;
    EXPECT_TRUE(readThrough(path, 0, static_cast<std::int64_t>(size) + 5000, &failed, background) == data);
    EXPECT_FALSE(failed);
    EXPECT_TRUE(readThrough(path, 0, static_cast<std::int64_t>(size), nullptr, background) == data);
    // A limit inside the file, at a piece boundary and inside a piece, and
    // reading from the stream's position on.
    EXPECT_TRUE(readThrough(path, 0, BackgroundReader::BUFFER_SIZE, nullptr, background) ==
                data.substr(0, BackgroundReader::BUFFER_SIZE));
    EXPECT_TRUE(readThrough(path, 0, 1000001, nullptr, background) == data.substr(0, 1000001));
    EXPECT_TRUE(readThrough(path, 4096, 70000, nullptr, background) == data.substr(4096, 70000));
    EXPECT_EQ(readThrough(path, 0, 0, nullptr, background), "");

    testkit::writeFile(path, "");
    EXPECT_EQ(readThrough(path, 0, 1024, nullptr, background), "");
}

TEST(BackgroundReader, StopsEarlyWhenDestroyed) {
    TempDir dir;
    const std::string path = dir.file("data.bin");
    testkit::writeFile(path, pattern(8 * BackgroundReader::BUFFER_SIZE, 3));
    std::FILE* in = platform::openFile(path.c_str(), "rb");
    ASSERT_NE(in, nullptr);
    {
        BackgroundReader reader(in, 8 * BackgroundReader::BUFFER_SIZE);
        const unsigned char* piece = nullptr;
        ASSERT_EQ(reader.next(piece), BackgroundReader::BUFFER_SIZE);
        EXPECT_EQ(piece[1], static_cast<unsigned char>(pattern(2, 3)[1]));
    }  // the thread is stopped while pieces are still unread
    std::fclose(in);
}
