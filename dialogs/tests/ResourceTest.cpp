// The resources built into the four programs: dialog templates, icon groups,
// bitmaps and manifests, read from the executables as data.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "ModToolsVersion.h"
#include "testkit/TestKit.h"

namespace {

// A program's executable loaded as data only.
class ProgramResources {
public:
    explicit ProgramResources(const char* program) {
        module = LoadLibraryExA(testkit::programPath(program).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    ~ProgramResources() {
        if (module != nullptr) FreeLibrary(module);
    }
    std::string bytes(LPCSTR type, WORD id) const {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
        if (found == nullptr) return {};
        HGLOBAL loaded = LoadResource(module, found);
        const char* data = static_cast<const char*>(LockResource(loaded));
        return std::string(data, SizeofResource(module, found));
    }
    HMODULE module = nullptr;
};

std::uint16_t u16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}
std::uint32_t u32(const std::string& b, std::size_t at) { return u16(b, at) | static_cast<std::uint32_t>(u16(b, at + 2)) << 16; }

// A zero-ended UTF-16 string (or a 0xFFFF ordinal) at `at`; moves past it.
std::string utf16At(const std::string& b, std::size_t& at) {
    if (u16(b, at) == 0xFFFF) {
        at += 4;
        return "#";
    }
    std::string text;
    for (std::uint16_t c; (c = u16(b, at)) != 0; at += 2) text += static_cast<char>(c);
    at += 2;
    return text;
}

struct DialogHeader {
    std::uint32_t exStyle, style;
    int items, x, y, cx, cy;
    std::string caption, face;
    int points;
};

DialogHeader readDialog(const std::string& b) {
    DialogHeader h{};
    EXPECT_EQ(1, u16(b, 0)) << "an extended template";
    EXPECT_EQ(0xFFFF, u16(b, 2));
    h.exStyle = u32(b, 8);
    h.style = u32(b, 12);
    h.items = u16(b, 16);
    h.x = static_cast<std::int16_t>(u16(b, 18));
    h.y = static_cast<std::int16_t>(u16(b, 20));
    h.cx = static_cast<std::int16_t>(u16(b, 22));
    h.cy = static_cast<std::int16_t>(u16(b, 24));
    std::size_t at = 26;
    utf16At(b, at);  // menu
    utf16At(b, at);  // class
    h.caption = utf16At(b, at);
    h.points = u16(b, at);
    at += 6;  // points, weight, italic, character set
    h.face = utf16At(b, at);
    return h;
}

// Sizes and colour depths of an icon group's images.
std::vector<std::pair<int, int>> iconImages(const std::string& group) {
    std::vector<std::pair<int, int>> images;
    int count = u16(group, 4);
    for (int i = 0; i < count; ++i) {
        std::size_t entry = 6 + 14 * static_cast<std::size_t>(i);
        int size = static_cast<unsigned char>(group[entry]);
        images.emplace_back(size == 0 ? 256 : size, u16(group, entry + 6));
    }
    return images;
}

BITMAP bitmapOf(HMODULE module, WORD id) {
    BITMAP info{};
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (bitmap != nullptr) {
        GetObjectA(bitmap, sizeof info, &info);
        DeleteObject(bitmap);
    }
    return info;
}

}  // namespace

TEST(ProgramResources, DialogTemplates) {
    struct Expected {
        const char* program;
        WORD id;
        const char* caption;
        int cx, cy, items;
    };
    const Expected all[] = {
        {"Tessaly", 11004, "Tessaly Helper", 402, 284, 2},
        {"Crandle", 11004, "Crandle Helper", 402, 284, 2},
        {"Gathrix", 11002, "File Collection Utility", 362, 204, 1},
        {"Yodrel", 11004, "BFME: W3D Yodrel", 366, 159, 17},
    };
    for (const Expected& e : all) {
        SCOPED_TRACE(e.program);
        ProgramResources resources(e.program);
        ASSERT_NE(nullptr, resources.module);
        std::string bytes = resources.bytes(MAKEINTRESOURCEA(5) /* RT_DIALOG */, e.id);
        ASSERT_GT(bytes.size(), 40u);
        DialogHeader h = readDialog(bytes);
        EXPECT_EQ(0x10u, h.exStyle) << "accepts dropped files";
        EXPECT_EQ(0x00CA0044u, h.style);
        EXPECT_EQ(200, h.x);
        EXPECT_EQ(200, h.y);
        EXPECT_EQ(e.cx, h.cx);
        EXPECT_EQ(e.cy, h.cy);
        EXPECT_EQ(e.items, h.items);
        EXPECT_EQ(e.caption, h.caption);
        EXPECT_EQ("Verdana", h.face);
        EXPECT_EQ(8, h.points);
    }
}

TEST(ProgramResources, IconGroupsBitmapsAndManifests) {
    // Four 8-bit images for old displays, then 32-bit ones up to the 256
    // pixels of Explorer's large views.
    const std::vector<std::pair<int, int>> images = {{48, 8},  {32, 8},  {24, 8},  {16, 8},  {256, 32}, {128, 32},
                                                     {96, 32}, {64, 32}, {48, 32}, {32, 32}, {24, 32},  {16, 32}};
    for (const char* program : {"Tessaly", "Crandle", "Gathrix", "Yodrel"}) {
        SCOPED_TRACE(program);
        ProgramResources resources(program);
        ASSERT_NE(nullptr, resources.module);
        EXPECT_EQ(images, iconImages(resources.bytes(MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, 11000)));
        std::string manifest = resources.bytes(MAKEINTRESOURCEA(24) /* RT_MANIFEST */, 1);
        EXPECT_NE(std::string::npos, manifest.find("Common-Controls\" version=\"6.0.0.0\""));
        // The build's own architecture, in the program and in the common
        // controls it asks for: a 64-bit program asking for x86 ones does
        // not start on Windows.
        const std::string arch = sizeof(void*) == 8 ? "amd64" : "x86";
        EXPECT_EQ(std::string::npos, manifest.find(sizeof(void*) == 8 ? "\"x86\"" : "\"amd64\""));
        EXPECT_NE(std::string::npos, manifest.find("version=\"6.0.0.0\"\n                        processorArchitecture=\"" + arch + "\""));
        EXPECT_NE(std::string::npos, manifest.find("processorArchitecture=\"" + arch + "\" name=\"" + program + ".exe\""));
        EXPECT_NE(std::string::npos, manifest.find(std::string("name=\"") + program + ".exe\""));
    }
    for (const char* program : {"Tessaly", "Crandle"}) {
        ProgramResources resources(program);
        BITMAP banner = bitmapOf(resources.module, 11002);
        EXPECT_EQ(650, banner.bmWidth) << program;
        EXPECT_EQ(42, banner.bmHeight) << program;
        EXPECT_EQ(24, banner.bmBitsPixel) << program;
    }
    ProgramResources yodrel("Yodrel");
    BITMAP banner = bitmapOf(yodrel.module, 11002);
    EXPECT_EQ(476, banner.bmWidth);
    EXPECT_EQ(40, banner.bmHeight);
    EXPECT_EQ(24, banner.bmBitsPixel);
    ProgramResources gathrix("Gathrix");
    for (WORD id : {11024, 11026, 11028, 11030}) {
        BITMAP face = bitmapOf(gathrix.module, id);
        EXPECT_EQ(36, face.bmWidth) << id;
        EXPECT_EQ(36, face.bmHeight) << id;
        EXPECT_EQ(24, face.bmBitsPixel) << id;
    }
}

// One string of a program's version block, as Explorer's properties show it.
std::string versionString(const std::string& path, const char* name) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return {};
    char* value = nullptr;
    UINT length = 0;
    std::string query = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || length == 0) return {};
    return std::string(value, std::strlen(value));
}

TEST(ProgramResources, VersionBlockCarriesTheProjectVersion) {
    for (const char* program : {"Tessaly", "Crandle", "Gathrix", "Yodrel", "Morvane"}) {
        SCOPED_TRACE(program);
        const std::string path = testkit::programPath(program);
        EXPECT_EQ(MODTOOLS_VERSION, versionString(path, "FileVersion"));
        EXPECT_EQ(MODTOOLS_VERSION, versionString(path, "ProductVersion"));
        EXPECT_EQ(MODTOOLS_PRODUCT_NAME, versionString(path, "ProductName"));
        EXPECT_EQ(0u, versionString(path, "FileDescription").find(program));
    }
}
