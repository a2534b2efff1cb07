#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "CodePage1252.h"
#include "platform/Platform.h"
#include "testkit/TestKit.h"

#ifdef _WIN32
#include <windows.h>
#endif

using testkit::TempDir;

namespace {
std::vector<std::string> list(const std::string& pattern) {
    std::vector<std::string> names;
    platform::DirectorySearch search;
    platform::FoundEntry entry;
    for (bool ok = search.first(pattern.c_str(), entry); ok; ok = search.next(entry)) names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
}
}  // namespace

TEST(Wildcards, MatchAsTheWin32SearchDoes) {
    EXPECT_TRUE(platform::wildcardMatch("*.*", "README"));
    EXPECT_TRUE(platform::wildcardMatch("*.*", "a.b.c"));
    EXPECT_TRUE(platform::wildcardMatch("*", ".hidden"));
    EXPECT_TRUE(platform::wildcardMatch("*.W3D", "unit.w3d"));
    EXPECT_TRUE(platform::wildcardMatch("cb*.w3d", "CBtank.W3D"));
    EXPECT_FALSE(platform::wildcardMatch("cb*.w3d", "xcb.w3d"));
    EXPECT_TRUE(platform::wildcardMatch("a?c", "abc"));
    EXPECT_FALSE(platform::wildcardMatch("a?c", "ac"));
    EXPECT_TRUE(platform::wildcardMatch("name.*", "name"));
    EXPECT_FALSE(platform::wildcardMatch("*.txt", "notes.txt.bak"));
    EXPECT_TRUE(platform::wildcardMatch("*a*b", "xxaxxb"));
}

TEST(DirectorySearch, ListsFoldersWithDotEntriesAndMatchesPatterns) {
    TempDir dir;
    testkit::writeFile(dir.file("one.w3d"), "1");
    testkit::writeFile(dir.file("Two.W3D"), "22");
    testkit::writeFile(dir.file("three.txt"), "333");
    testkit::writeFile(dir.file("sub/inner.w3d"), "4444");

    EXPECT_EQ(list(dir.file("*.*")),
              (std::vector<std::string>{".", "..", "Two.W3D", "one.w3d", "sub", "three.txt"}));
    EXPECT_EQ(list(dir.file("*.w3d")), (std::vector<std::string>{"Two.W3D", "one.w3d"}));
    EXPECT_TRUE(list(dir.file("*.dat")).empty());

    platform::DirectorySearch search;
    platform::FoundEntry entry;
    ASSERT_TRUE(search.first(dir.file("three.txt").c_str(), entry));
    EXPECT_EQ(entry.name, "three.txt");
    EXPECT_EQ(entry.size, 3u);
    EXPECT_EQ(entry.attributes & platform::ATTR_DIRECTORY, 0u);
    ASSERT_TRUE(search.first(dir.file("sub").c_str(), entry));
    EXPECT_EQ(entry.attributes & platform::ATTR_DIRECTORY, platform::ATTR_DIRECTORY);
    // A trailing separator finds nothing, as on Win32.
    EXPECT_FALSE(platform::exists((dir.path() + testkit::SEP).c_str()));
    EXPECT_FALSE(platform::exists(""));
}

TEST(DirectorySearch, BackslashIsASeparatorEverywhere) {
    TempDir dir;
    testkit::writeFile(dir.file("a/b/c.txt"), "x");
    std::string windowsStyle = dir.path() + "\\a\\b\\c.txt";
    EXPECT_TRUE(platform::exists(windowsStyle.c_str()));
    EXPECT_EQ(platform::fileSize(windowsStyle.c_str()), 1);
    std::FILE* f = platform::openFile(windowsStyle.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(platform::lastSeparator(std::string("x\\y/z")), 3u);
    EXPECT_STREQ(platform::lastSeparator("x/y\\z"), "\\z");
    EXPECT_EQ(platform::lastSeparator("plain"), nullptr);
}

TEST(Attributes, FolderFileAndReadOnly) {
    TempDir dir;
    testkit::writeFile(dir.file("f.bin"), "abc");
    EXPECT_EQ(platform::fileAttributes(dir.path().c_str()) & 0x10u, 0x10u);
    std::uint32_t file = platform::fileAttributes(dir.file("f.bin").c_str());
    EXPECT_EQ(file & 0x20u, 0x20u);
    EXPECT_EQ(file & 0x01u, 0u);
    std::filesystem::permissions(dir.file("f.bin"), std::filesystem::perms::owner_write |
                                                        std::filesystem::perms::group_write |
                                                        std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_EQ(platform::fileAttributes(dir.file("f.bin").c_str()) & 0x01u, 0x01u);
    EXPECT_EQ(platform::fileAttributes(dir.file("missing").c_str()), platform::ATTR_INVALID);

    EXPECT_TRUE(platform::isWriteProtected(dir.file("f.bin").c_str()));
    EXPECT_TRUE(platform::isWriteProtected(dir.path().c_str()));
    EXPECT_FALSE(platform::isWriteProtected(dir.file("missing").c_str()));
    testkit::writeFile(dir.file("plain.bin"), "p");
    EXPECT_FALSE(platform::isWriteProtected(dir.file("plain.bin").c_str()));
}

// Hidden and system files used to be reported as plain files on Windows, so
// the dialogs' check of a source, which refuses them, took them.
TEST(Attributes, HiddenAndSystemFilesUsedToLookPlain) {
    TempDir dir;
    testkit::writeFile(dir.file("hidden.csf"), "h");
    testkit::writeFile(dir.file("system.big"), "s");
    std::uint32_t hidden = platform::ATTR_NORMAL_FILE, systemFile = platform::ATTR_NORMAL_FILE;
#ifdef _WIN32
    ASSERT_TRUE(SetFileAttributesA(dir.file("hidden.csf").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesA(dir.file("system.big").c_str(), FILE_ATTRIBUTE_SYSTEM));
    hidden |= platform::ATTR_HIDDEN;
    systemFile |= platform::ATTR_SYSTEM;
#else
    // POSIX has neither mark: a name that begins with '.' is a plain file.
    testkit::writeFile(dir.file(".dotted"), "d");
    EXPECT_EQ(platform::fileAttributes(dir.file(".dotted").c_str()), platform::ATTR_NORMAL_FILE);
#endif
    EXPECT_EQ(platform::fileAttributes(dir.file("hidden.csf").c_str()), hidden);
    EXPECT_EQ(platform::fileAttributes(dir.file("system.big").c_str()), systemFile);
    platform::DirectorySearch search;
    platform::FoundEntry entry;
    ASSERT_TRUE(search.first(dir.file("hidden.csf").c_str(), entry));
    EXPECT_EQ(entry.attributes, hidden);
}

TEST(FileOperations, CopyDeleteReplace) {
    TempDir dir;
    testkit::writeFile(dir.file("src"), std::string("bytes\0more", 10));
    ASSERT_TRUE(platform::copyFile(dir.file("src").c_str(), dir.file("dst").c_str(), true));
    EXPECT_EQ(testkit::readFile(dir.file("dst")), std::string("bytes\0more", 10));
    EXPECT_FALSE(platform::copyFile(dir.file("src").c_str(), dir.file("dst").c_str(), true));
    EXPECT_TRUE(platform::copyFile(dir.file("src").c_str(), dir.file("dst").c_str(), false));
    EXPECT_FALSE(platform::copyFile(dir.file("nothing").c_str(), dir.file("x").c_str(), false));

    testkit::writeFile(dir.file("new"), "new content");
    ASSERT_TRUE(platform::replaceFile(dir.file("new").c_str(), dir.file("dst").c_str()));
    EXPECT_EQ(testkit::readFile(dir.file("dst")), "new content");
    EXPECT_FALSE(testkit::fileExists(dir.file("new")));

    // A write-protected target is refused and keeps its bytes; so is a folder.
    testkit::writeFile(dir.file("other"), "other");
    std::filesystem::permissions(dir.file("dst"), std::filesystem::perms::owner_write |
                                                      std::filesystem::perms::group_write |
                                                      std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_FALSE(platform::replaceFile(dir.file("other").c_str(), dir.file("dst").c_str()));
    EXPECT_EQ(testkit::readFile(dir.file("dst")), "new content");
    EXPECT_TRUE(testkit::fileExists(dir.file("other")));
    testkit::writeFile(dir.file("folder/inside"), "x");
    EXPECT_FALSE(platform::replaceFile(dir.file("other").c_str(), dir.file("folder").c_str()));
    std::filesystem::permissions(dir.file("dst"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);

    EXPECT_TRUE(platform::deleteFile(dir.file("dst").c_str()));
    EXPECT_FALSE(platform::deleteFile(dir.file("dst").c_str()));
    EXPECT_FALSE(platform::lastErrorText().empty());
}

TEST(FileOperations, WriteStreamGivesTheBytesFwriteGives) {
    // Lines of every length around the translation's pieces, a "\r\n" already
    // there, a text ending without a line end, and one line end alone.
    std::string text;
    for (int i = 0; text.size() < 700 * 1024; ++i) text += std::string(static_cast<std::size_t>(i % 997), 'a' + i % 26) + (i % 5 ? "\n" : "\r\n");
    text += "tail";
    TempDir dir;
    for (const char* mode : {"w+", "wb+"}) {
        for (const std::string& piece : {text, std::string("\n")}) {
            std::FILE* expected = platform::openFile(dir.file("fwrite").c_str(), mode);
            std::FILE* ours = platform::openFile(dir.file("ours").c_str(), mode);
            ASSERT_TRUE(expected && ours);
            // Something already buffered by the stream goes first.
            std::fputs("head\n", expected);
            std::fputs("head\n", ours);
            ASSERT_EQ(std::fwrite(piece.data(), 1, piece.size(), expected), piece.size());
            EXPECT_TRUE(platform::writeStream(ours, piece.data(), piece.size()));
            // And the stream still writes in its own mode afterwards.
            std::fputs("after\n", expected);
            std::fputs("after\n", ours);
            ASSERT_EQ(std::fclose(expected), 0);
            ASSERT_EQ(std::fclose(ours), 0);
            EXPECT_EQ(testkit::readFile(dir.file("ours")), testkit::readFile(dir.file("fwrite"))) << mode;
        }
    }
}

TEST(FileOperations, CreateFolderTreeWithAllParents) {
    TempDir dir;
    std::string deep = dir.path() + "\\x\\y\\z";
    EXPECT_EQ(platform::createFolderTree(deep.c_str()), platform::FolderResult::CREATED);
    EXPECT_EQ(platform::fileAttributes(deep.c_str()) & 0x10u, 0x10u);
    EXPECT_EQ(platform::createFolderTree(deep.c_str()), platform::FolderResult::ALREADY_THERE);
    testkit::writeFile(dir.file("file"), "f");
    EXPECT_EQ(platform::createFolderTree((dir.file("file") + "\\below").c_str()), platform::FolderResult::FAILED);
}

TEST(CurrentDirectory, ChangeAndQuery) {
    TempDir dir;
    std::string before = platform::currentDirectory();
    {
        testkit::CurrentDirectoryGuard guard(dir.path());
        testkit::writeFile("here.txt", "h");
        EXPECT_TRUE(platform::exists(dir.file("here.txt").c_str()));
        EXPECT_TRUE(platform::exists(".\\here.txt"));
    }
    EXPECT_EQ(platform::currentDirectory(), before);
    EXPECT_FALSE(platform::changeDirectory(dir.file("missing").c_str()));
}

// Every tool joins a folder and a name the same way: one '\' between them,
// none after a folder that ends in a separator (a root) and none after no
// folder; a relative path is resolved against the current directory.
TEST(CurrentDirectory, PathsAreJoinedAndResolvedByOneRule) {
    EXPECT_EQ(platform::joinPath("C:\\data", "a.big"), "C:\\data\\a.big");
    EXPECT_EQ(platform::joinPath("C:\\", "a.big"), "C:\\a.big");
    EXPECT_EQ(platform::joinPath("/", "a.big"), "/a.big");
    EXPECT_EQ(platform::joinPath("", "a.big"), "a.big");
    EXPECT_EQ(platform::joinPath("data", ""), "data\\");

    EXPECT_EQ(platform::resolvePath(nullptr), "");
    EXPECT_EQ(platform::resolvePath(""), "");
    EXPECT_EQ(platform::resolvePath("D:table.csf"), "D:table.csf");
    EXPECT_EQ(platform::resolvePath("\\top\\table.csf"), "\\top\\table.csf");
    TempDir dir;
    testkit::CurrentDirectoryGuard guard(dir.path());
    EXPECT_EQ(platform::resolvePath("sub\\table.csf"), platform::currentDirectory() + "\\sub\\table.csf");
}

TEST(CurrentDirectory, FullPathsAndPathIdentity) {
    TempDir dir;
    testkit::writeFile(dir.file("sub/table.csf"), "t");
    testkit::CurrentDirectoryGuard guard(dir.path());
    std::string full = platform::fullPath("sub\\table.csf");
    EXPECT_TRUE(platform::samePath(full.c_str(), dir.file("sub/table.csf").c_str()));
    EXPECT_TRUE(platform::samePath("sub\\table.csf", ".\\sub\\..\\sub\\table.csf"));
    EXPECT_FALSE(platform::samePath("sub\\table.csf", "sub\\other.csf"));
    EXPECT_FALSE(platform::samePath("", ""));
    EXPECT_EQ(platform::fullPath(""), "");
#ifdef _WIN32
    EXPECT_TRUE(platform::samePath("SUB\\TABLE.CSF", "sub\\table.csf"));
#endif
}

TEST(ShellOpen, TestsCanRecordTheRequest) {
    std::string program, parameter;
    platform::setShellOpenHandler([&](void*, const char* p, const char* f) {
        program = p;
        parameter = f;
        return true;
    });
    EXPECT_TRUE(platform::shellOpen(nullptr, "NotePad.exe", "C:\\x.txt"));
    platform::setShellOpenHandler(nullptr);
    EXPECT_EQ(program, "NotePad.exe");
    EXPECT_EQ(parameter, "C:\\x.txt");
}

TEST(TempFolder, EndsWithASeparatorAndIsWritable) {
    std::string folder = platform::tempFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(platform::isSeparator(folder.back()));
    EXPECT_EQ(platform::fileAttributes(folder.c_str()) & 0x10u, 0x10u);
}

TEST(SeekFile, ReachesAnAbsoluteOffset) {
    testkit::TempDir dir;
    std::string path = dir.file("seek.bin");
    testkit::writeFile(path, "0123456789");
    std::FILE* file = platform::openFile(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(platform::seekFile(file, 7));
    EXPECT_EQ(std::fgetc(file), '7');
    ASSERT_TRUE(platform::seekFile(file, 2));
    EXPECT_EQ(std::fgetc(file), '2');
    EXPECT_FALSE(platform::seekFile(nullptr, 0));
    std::fclose(file);
}

// Archive names used to be each build's own bytes (UTF-8 on POSIX): every
// Windows-1252 byte now has one name on this system and comes back from it.
TEST(ArchiveNames, EveryWindows1252ByteRoundTripsAndOtherCharactersAreRefused) {
    EXPECT_EQ(cp1252::toUtf8("caf\xE9 \x80\x9F\x81\x9D"), "caf\xC3\xA9 \xE2\x82\xAC\xC5\xB8\xC2\x81\xC2\x9D");
    for (int b = 1; b < 256; ++b) {
        const std::string name = "n" + std::string(1, static_cast<char>(b));
        std::string onDisk, back;
        if (!platform::fromArchiveName(name, onDisk)) continue;  // only where the code page is not 1252
        ASSERT_TRUE(platform::toArchiveName(onDisk, back)) << b;
        EXPECT_EQ(back, name) << b;
        ASSERT_TRUE(cp1252::fromUtf8(cp1252::toUtf8(name), back)) << b;
        EXPECT_EQ(back, name) << b;
    }
    std::string bytes;
    // Cyrillic, CJK, a character past U+FFFF, U+0080 (0x80 is the euro sign)
    // and what is not UTF-8: a lone Latin-1 byte, a cut sequence, overlong
    // forms, a surrogate.
    for (const char* text : {"\xD0\x96", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xC2\x80", "caf\xE9", "\xC3", "\xC0\xAE",
                             "\xE0\x81\xAE", "\xF0\x80\x81\x81", "\xED\xA0\x80"})
        EXPECT_FALSE(cp1252::fromUtf8(text, bytes)) << text;
#ifndef _WIN32
    EXPECT_FALSE(platform::toArchiveName("\xD0\x96.str", bytes));
    EXPECT_FALSE(platform::toArchiveName("caf\xE9.str", bytes));
#endif
}
