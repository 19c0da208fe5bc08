// The maker's library contract: the path it can open, its result narrowed, the words of a crash.
#include "library_fault_text.h"
#include "library_path.h"
#include "library_result.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <string>

#include "app_error.h"
#include "golden_texts.h"

namespace {

// A code page that holds the first 256 characters; anything else becomes '?'.
AnsiText Latin1(const std::wstring& text) {
    AnsiText result{std::string(), true};
    for (wchar_t c : text) {
        if (c <= 0xFF) {
            result.bytes += static_cast<char>(c);
        } else {
            result.bytes += '?';
            result.lossless = false;
        }
    }
    return result;
}

struct ShortPaths {
    std::map<std::wstring, std::wstring> known;
    int asked = 0;
    std::optional<std::wstring> operator()(const std::wstring& path) {
        ++asked;
        const auto found = known.find(path);
        if (found == known.end()) return std::nullopt;
        return found->second;
    }
};

const std::string kTooLong = "<refused: too long>";
const std::string kNotInCodePage = "<refused: not in the code page>";

// The bytes handed over, or the reason the user is told they were not.
std::string Choose(const std::wstring& path, const ToAnsiFn& toAnsi, ShortPaths& shortPaths) {
    const auto chosen = AnsiPathForLibrary(path, toAnsi, std::ref(shortPaths));
    if (const FlashRefusal* refusal = std::get_if<FlashRefusal>(&chosen))
        return *refusal == FlashRefusal::PathTooLong ? kTooLong : kNotInCodePage;
    return std::get<std::string>(chosen);
}

std::string Choose(const std::wstring& path, ShortPaths& shortPaths) {
    return Choose(path, Latin1, shortPaths);
}

void ExpectRefused(const std::wstring& path, const std::string& reason,
                   std::initializer_list<ShortPaths*> eachShortPaths) {
    for (ShortPaths* shortPaths : eachShortPaths) EXPECT_EQ(Choose(path, *shortPaths), reason);
}

TEST(LibraryPath, PathInTheCodePageGoesAsItIs) {
    ShortPaths shortPaths{{{L"C:\\Firmware\\caf\u00e9 v2.bin", L"C:\\FIRMWA~1\\CAFV2~1.BIN"}}};
    EXPECT_EQ(Choose(L"C:\\Firmware\\caf\u00e9 v2.bin", shortPaths), "C:\\Firmware\\caf\xe9 v2.bin");
    EXPECT_EQ(Choose(L"", shortPaths), "");
    EXPECT_EQ(shortPaths.asked, 0);
}

TEST(LibraryPath, LossyPathIsReplacedByItsShortForm) {
    // Fullwidth letters would best-fit to "firm.bin": a different file.
    ShortPaths shortPaths{{{L"C:\\fw\\\uff46\uff49\uff52\uff4d.bin", L"C:\\fw\\FIRM~7A3.BIN"}}};
    EXPECT_EQ(Choose(L"C:\\fw\\\uff46\uff49\uff52\uff4d.bin", shortPaths), "C:\\fw\\FIRM~7A3.BIN");
}

TEST(LibraryPath, LossyPathWithoutUsableShortFormIsRefused) {
    ShortPaths none;
    ShortPaths lossyShort{{{L"C:\\\u0416\\a.bin", L"C:\\\u0416\\A.BIN"}}};
    // Under folders whose names are already 8.3, the short form is no shorter.
    ShortPaths overlongShort{{{L"C:\\\u0416\\a.bin", L"C:\\" + std::wstring(300, L'B')}}};
    ExpectRefused(L"C:\\\u0416\\a.bin", kNotInCodePage, {&none, &lossyShort, &overlongShort});
}

TEST(LibraryPath, OverlongPathIsShortenedWhenThatFits) {
    // Windows looks up the short form of a path of 260 characters or more only with the prefix.
    const std::wstring longPath = L"C:\\" + std::wstring(300, L'a') + L".bin";
    const std::wstring longUnc = L"\\\\server\\share\\" + std::wstring(300, L'a') + L".bin";
    ShortPaths shortPaths{
        {{L"\\\\?\\" + longPath, L"\\\\?\\C:\\AAAAAA~1.BIN"},
         {L"\\\\?\\UNC\\" + longUnc.substr(2), L"\\\\?\\UNC\\server\\share\\AAAAAA~1.BIN"}}};
    EXPECT_EQ(Choose(longPath, shortPaths), "C:\\AAAAAA~1.BIN");
    EXPECT_EQ(Choose(longUnc, shortPaths), "\\\\server\\share\\AAAAAA~1.BIN");

    // No short form, or one still too long: refused, never handed over.
    ShortPaths none;
    ShortPaths stillLong{{{L"\\\\?\\" + longPath, L"\\\\?\\C:\\" + std::wstring(280, L'B')}}};
    ExpectRefused(longPath, kTooLong, {&none, &stillLong});
}

TEST(LibraryPath, LimitIsTheAnsiFunctionsMaxPathInBytes) {
    ShortPaths shortPaths;
    const std::wstring atLimit = L"C:\\" + std::wstring(256, L'x');
    EXPECT_EQ(Choose(atLimit, shortPaths).size(), 259u);
    EXPECT_EQ(shortPaths.asked, 0);
    ExpectRefused(atLimit + L"x", kTooLong, {&shortPaths});
    EXPECT_EQ(shortPaths.asked, 1);

    // 200 characters, but 300 bytes in a code page of two bytes to the letter.
    const auto twoBytesAbove127 = [](const std::wstring& text) {
        AnsiText result{std::string(), true};
        for (wchar_t c : text)
            result.bytes += c > 0x7F ? std::string("\xC3\xA9") : std::string(1, static_cast<char>(c));
        return result;
    };
    const std::wstring wide = L"C:\\" + std::wstring(97, L'a') + std::wstring(100, L'\u00e9');
    ShortPaths known{{{wide, L"C:\\AAAAAA~1"}}};
    EXPECT_EQ(Choose(wide, twoBytesAbove127, known), "C:\\AAAAAA~1");
}

TEST(LibraryResult, NarrowingKeepsEverySixteenBitValueAndRefusesTheRestWithOverflow) {
    for (std::int32_t value : {-32768, -32767, -5, -4, -3, -2, -1, 0, 1, 32766, 32767})
        EXPECT_EQ(NarrowToFlashResult(value), value);
    for (std::int32_t value : {32768, -32769, 65536, 65534, std::numeric_limits<std::int32_t>::max(),
                               std::numeric_limits<std::int32_t>::min()}) {
        try {
            ADD_FAILURE() << value << " was narrowed to " << NarrowToFlashResult(value);
        } catch (const AppError& error) {
            EXPECT_EQ(error.number, kErrOverflow);
            EXPECT_EQ(error.description, L"Overflow");
        }
    }
}

TEST(LibraryFaultText, NamesCodeAndPlaceAndFitsItsBuffer) {
    const std::wstring advice = golden::kLibraryFaultAdvice;
    wchar_t text[512];
    WriteLibraryFaultText(text, 0xC0000005, L"OSCdll.DLL", 0x1A2B);
    EXPECT_EQ(text,
              L"The flashing library failed with exception C0000005 in OSCdll.DLL at offset 0x1A2B" + advice);
    WriteLibraryFaultText(text, 0x5, L"", 0);
    EXPECT_EQ(text, L"The flashing library failed with exception 00000005" + advice);
    wchar_t small[8];
    WriteLibraryFaultText(small, 0xE06D7363, L"x", 0);
    EXPECT_EQ(std::wstring(small), L"The fla");
    WriteProgramFaultText(text, 0xC0000005, L"KorvaniFWUpdater.exe", 0x10);
    EXPECT_EQ(text, L"Korvani Update failed with exception C0000005 in KorvaniFWUpdater.exe at offset 0x10" +
                        std::wstring(golden::kProgramFaultAdvice));
    WriteProgramFaultDuringWriteText(text, 0xC0000005, L"shell32.dll", 0x10);
    EXPECT_EQ(text, L"Korvani Update failed with exception C0000005 in shell32.dll at offset 0x10" +
                        std::wstring(golden::kProgramFaultDuringWriteAdvice));
}

// What the watcher says when the program ended at each stage of an update:
// never that a write was cut short once the library had answered, nor that
// the controller may be erased after a result that leaves it whole.
TEST(LibraryFaultText, AnEndingIsToldOnlyWhereTheControllerMayBeLeftErased) {
    const std::wstring nothing;
    const struct {
        AttemptStage stage;
        std::int32_t result;
        std::wstring told;
    } endings[] = {
        {AttemptStage::None, 0, nothing},
        {AttemptStage::Calling, 0, golden::UpdateCutShortText(L"C0000409")},
        {AttemptStage::Answered, 0, nothing},
        {AttemptStage::Answered, -3, nothing},
        {AttemptStage::Answered, -4, nothing},
        {AttemptStage::Answered, -2, golden::UpdateEndedBeforeAnswerText(L"C0000409")},
        {AttemptStage::Answered, -1, golden::UpdateEndedBeforeAnswerText(L"C0000409")},
        {AttemptStage::Answered, 65536, golden::UpdateEndedBeforeAnswerText(L"C0000409")},  // -> overflow
        {AttemptStage::Told, -2, nothing},
    };
    for (const auto& ending : endings) {
        wchar_t text[512];
        const bool told = WriteUpdateEndedText(text, ending.stage, ending.result, 0xC0000409);
        EXPECT_EQ(told ? std::wstring(text) : nothing, ending.told)
            << static_cast<int>(ending.stage) << " " << ending.result;
    }
}

}  // namespace
