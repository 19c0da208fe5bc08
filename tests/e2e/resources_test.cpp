// The executable's identity as Explorer shows it: version block and icon.
#include <windows.h>

#include <gtest/gtest.h>
#include <winver.h>

#include <cstdio>
#include <vector>

#include "driver.h"
#include "product.h"

namespace {

std::wstring VersionString(const std::vector<char>& block, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\0C0A04B0\\") + name;
    if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
        return L"<none>";
    return std::wstring(value, length > 0 ? length - 1 : 0);
}

TEST(Resources, VersionBlockIsSpanishUnicodeWithTheProductsNames) {
    const std::wstring exe = Built(L"bin\\KorvaniFWUpdater.exe");
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, block.data()));

    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0C0A);
    EXPECT_EQ(translation[1], 1200);

    EXPECT_EQ(VersionString(block, L"FileDescription"), L"Korvani controller");
    EXPECT_EQ(VersionString(block, L"ProductName"), L"Korvani Update");
    EXPECT_EQ(VersionString(block, L"InternalName"), L"KorvaniFWUpdater");
    EXPECT_EQ(VersionString(block, L"OriginalFilename"), L"KorvaniFWUpdater.exe");

    // The numbers are the project's; the text shows them as 1.00.0001 does 1.0.0.1.
    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    const unsigned numbers[] = {KORVANI_VERSION_NUMBERS};
    EXPECT_EQ(fixed->dwFileVersionMS, numbers[0] << 16 | numbers[1]);
    EXPECT_EQ(fixed->dwFileVersionLS, numbers[2] << 16 | numbers[3]);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    wchar_t shown[32];
    std::swprintf(shown, 32, L"%u.%02u.%04u", numbers[0], numbers[1], numbers[3]);
    EXPECT_EQ(VersionString(block, L"FileVersion"), shown);
    EXPECT_EQ(VersionString(block, L"ProductVersion"), shown);
}

TEST(Resources, IconIsOneSixteenPixelSixteenColourImage) {
    HMODULE exe = LoadLibraryExW(Built(L"bin\\KorvaniFWUpdater.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(exe, nullptr);
    HRSRC group = FindResourceW(exe, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    const auto* header = static_cast<const WORD*>(LockResource(LoadResource(exe, group)));
    ASSERT_EQ(header[2], 1) << "images in the icon";
    // Its entry's head: width, height, colours, reserved, planes and bits per pixel (two bytes each).
    const auto* entry = reinterpret_cast<const BYTE*>(header + 3);
    EXPECT_EQ(std::vector<BYTE>(entry, entry + 8), (std::vector<BYTE>{16, 16, 16, 0, 1, 0, 4, 0}));
    FreeLibrary(exe);
}

}  // namespace
