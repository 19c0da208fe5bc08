#include "library_fault_text.h"

#include "fixed_text.h"
#include "product.h"

namespace {

constexpr wchar_t kIfAgain[] = L"If this happens again, " KORVANI_WIKI_HELP;

}  // namespace

void WriteLibraryFaultText(std::span<wchar_t> text, std::uint32_t code, std::wstring_view module,
                           std::uintptr_t offset) {
    FixedText out(text);
    out << L"The flashing library failed with exception ";
    out.Hex(code, 8);
    if (!module.empty()) (out << L" in " << module << L" at offset 0x").Hex(offset, 1);
    out << L".\nYour Korvani may have been left erased.\n"
           L"Disconnect it, reconnect it and start the update again.\n"
        << kIfAgain;
}

void WriteUpdateCutShortText(std::span<wchar_t> text, std::uint32_t exitStatus) {
    FixedText out(text);
    out << L"Korvani Update ended while it was writing the firmware (code ";
    out.Hex(exitStatus, 8);
    out << L").\nThe Korvani may be only partly programmed: unplug it, plug it in again, "
           L"and run the update again.\n"
        << kIfAgain;
}
