#include "library_path.h"

namespace {

constexpr wchar_t kPrefix[] = L"\\\\?\\";
constexpr wchar_t kUncPrefix[] = L"\\\\?\\UNC\\";
constexpr std::size_t kMaxPathChars = 260;

bool StartsWith(const std::wstring& text, const wchar_t* start) {
    return text.rfind(start, 0) == 0;
}

// "C:\..." as "\\?\C:\...", "\\server\share\..." as "\\?\UNC\server\share\...".
std::wstring ExtendedLengthPath(const std::wstring& path) {
    if (StartsWith(path, kPrefix) || StartsWith(path, L"\\\\.\\")) return path;
    if (StartsWith(path, L"\\\\")) return kUncPrefix + path.substr(2);
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return kPrefix + path;
    return path;
}

// The reverse, for a path the ANSI functions take.
std::wstring WithoutExtendedLengthPrefix(const std::wstring& path) {
    if (StartsWith(path, kUncPrefix)) return L"\\\\" + path.substr(8);
    if (StartsWith(path, kPrefix)) return path.substr(4);
    return path;
}

std::optional<std::wstring> ShortForm(const std::wstring& path, const ShortPathFn& shortPathOf) {
    if (path.size() < kMaxPathChars) return shortPathOf(path);
    const std::optional<std::wstring> found = shortPathOf(ExtendedLengthPath(path));
    if (!found) return std::nullopt;
    return WithoutExtendedLengthPrefix(*found);
}

}  // namespace

std::variant<std::string, FlashRefusal> AnsiPathForLibrary(const std::wstring& path, const ToAnsiFn& toAnsi,
                                                           const ShortPathFn& shortPathOf) {
    // The limit is on bytes: a double-byte code page or UTF-8 makes them more than characters.
    AnsiText full = toAnsi(path);
    if (full.lossless && full.bytes.size() <= kMaxAnsiPath) return full.bytes;

    if (const std::optional<std::wstring> shortPath = ShortForm(path, shortPathOf)) {
        AnsiText shortened = toAnsi(*shortPath);
        // A library from the MAX_PATH era may copy the path into a char[260] of its own.
        if (shortened.lossless && shortened.bytes.size() <= kMaxAnsiPath) return shortened.bytes;
    }
    // A lossy path may be over-long too; its characters are what no short form mended.
    return full.lossless ? FlashRefusal::PathTooLong : FlashRefusal::PathNotInCodePage;
}
