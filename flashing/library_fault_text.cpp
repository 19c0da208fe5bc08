#include "library_fault_text.h"

#include "fixed_text.h"
#include "product.h"

void WriteLibraryFaultText(std::span<wchar_t> text, std::uint32_t code, std::wstring_view module,
                           std::uintptr_t offset) {
    FixedText out(text);
    out << L"The flashing library failed with exception ";
    out.Hex(code, 8);
    if (!module.empty()) (out << L" in " << module << L" at offset 0x").Hex(offset, 1);
    out << L".\nYour Korvani may have been left erased.\n"
           L"Disconnect it, reconnect it and start the update again.\n"
           L"If this happens again, check Quellmar's wiki web\n"
           L"(" KORVANI_SUPPORT_WIKI L") for help and tools.";
}
