// The floor: the application folder and the fixed-buffer text writer.
#include "app_directory.h"
#include "fixed_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(AppDirectory, IsTheExecutablesFolderWithoutTrailingSeparator) {
    const struct {
        const wchar_t* modulePath;
        const wchar_t* directory;
    } cases[] = {
        {L"C:\\Program Files\\Korvani\\KorvaniFWUpdater.exe", L"C:\\Program Files\\Korvani"},
        {L"C:\\Tools\\KorvaniFWUpdater.exe", L"C:\\Tools"},
        {L"C:\\KorvaniFWUpdater.exe", L"C:\\"},
        {L"\\\\?\\C:\\KorvaniFWUpdater.exe", L"\\\\?\\C:\\"},
        {L"\\\\?\\D:\\deep\\KorvaniFWUpdater.exe", L"\\\\?\\D:\\deep"},
        {L"\\\\server\\share\\KorvaniFWUpdater.exe", L"\\\\server\\share"},
        {L"\\\\server\\share\\tools\\KorvaniFWUpdater.exe", L"\\\\server\\share\\tools"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AppDirectoryFromModulePath(c.modulePath), c.directory) << c.modulePath;
}

TEST(AppDirectory, LibraryPathIsPlainConcatenation) {
    EXPECT_EQ(PathInDirectory(L"C:\\Tools", L"OSCdll.DLL"), L"C:\\Tools\\OSCdll.DLL");
    // A drive root already ends in a separator; Windows accepts the doubled one.
    EXPECT_EQ(PathInDirectory(L"C:\\", L"OSCdll.DLL"), L"C:\\\\OSCdll.DLL");
    // A "\\?\" path is not normalised: its root must not get a second one.
    EXPECT_EQ(PathInDirectory(L"\\\\?\\C:\\", L"OSCdll.DLL"), L"\\\\?\\C:\\OSCdll.DLL");
    EXPECT_EQ(PathInDirectory(L"\\\\?\\C:\\Tools", L"OSCdll.DLL"), L"\\\\?\\C:\\Tools\\OSCdll.DLL");
}

TEST(FixedText, HexHasNoMoreDigitsThanTheValuesType) {
    wchar_t text[32];
    FixedText(text).Hex(0xAB, 99);
    EXPECT_EQ(text, std::wstring(14, L'0') + L"AB");
}

}  // namespace
