#include "library_fault_text.h"

#include "fixed_text.h"
#include "library_result.h"
#include "product.h"

namespace {

constexpr wchar_t kIfAgain[] = L"If this happens again, " KORVANI_WIKI_HELP;

// Success leaves the controller programmed, a file that is not firmware leaves
// it untouched; anything else, a result too wide for the program included
// (told as unexpected), may leave it erased.
bool MayHaveLeftItErased(std::int32_t result) {
    if (!FitsFlashResult(result)) return true;
    const FlashOutcome outcome = ClassifyFlashResult(static_cast<FlashResult>(result));
    return outcome != FlashOutcome::Success && outcome != FlashOutcome::NotFirmware;
}

void WriteFault(FixedText& out, std::uint32_t code, std::wstring_view module, std::uintptr_t offset) {
    out.Hex(code, 8);
    if (!module.empty()) (out << L" in " << module << L" at offset 0x").Hex(offset, 1);
}

}  // namespace

void WriteLibraryFaultText(std::span<wchar_t> text, std::uint32_t code, std::wstring_view module,
                           std::uintptr_t offset) {
    FixedText out(text);
    out << L"The flashing library failed with exception ";
    WriteFault(out, code, module, offset);
    out << L".\nYour Korvani may have been left erased.\n"
           L"Disconnect it, reconnect it and start the update again.\n"
        << kIfAgain;
}

void WriteProgramFaultText(std::span<wchar_t> text, std::uint32_t code, std::wstring_view module,
                           std::uintptr_t offset) {
    FixedText out(text);
    out << L"Korvani Update failed with exception ";
    WriteFault(out, code, module, offset);
    out << L" and has to close.\n" << kIfAgain;
}

void WriteProgramFaultDuringWriteText(std::span<wchar_t> text, std::uint32_t code, std::wstring_view module,
                                      std::uintptr_t offset) {
    FixedText out(text);
    out << L"Korvani Update failed with exception ";
    WriteFault(out, code, module, offset);
    out << L" while the library was writing the firmware.\n"
           L"The Korvani may be only partly programmed: unplug it, plug it in again, "
           L"and run the update again.\n"
        << kIfAgain;
}

bool WriteUpdateEndedText(std::span<wchar_t> text, AttemptStage stage, std::int32_t result,
                          std::uint32_t exitStatus) {
    FixedText out(text);
    if (stage == AttemptStage::Calling) {
        out << L"Korvani Update ended while it was writing the firmware (code ";
        out.Hex(exitStatus, 8);
        out << L").\nThe Korvani may be only partly programmed: unplug it, plug it in again, "
               L"and run the update again.\n";
    } else if (stage == AttemptStage::Answered && MayHaveLeftItErased(result)) {
        out << L"Korvani Update ended (code ";
        out.Hex(exitStatus, 8);
        out << L") before its message about the update was answered.\n"
               L"The Korvani may have been left erased: unplug it, plug it in again, "
               L"and run the update again.\n";
    } else {
        return false;
    }
    out << kIfAgain;
    return true;
}
