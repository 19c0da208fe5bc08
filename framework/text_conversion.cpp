#include "text_conversion.h"

#include <windows.h>

std::wstring FromAnsi(const std::string& bytes) {
    if (bytes.empty()) return std::wstring();
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, text.data(), length);
    return text;
}

AnsiText ToAnsi(const std::wstring& text) {
    if (text.empty()) return {std::string(), true};
    // UTF-8 as the ANSI code page takes no flags; it has no best fit either.
    const DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_ACP, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, flags, text.data(), size, bytes.data(), length, nullptr, nullptr);
    // The round trip catches replacement characters and any mapping that is not one to one.
    const bool lossless = FromAnsi(bytes) == text;
    return {std::move(bytes), lossless};
}
