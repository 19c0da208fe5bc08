#include "library_path.h"

#include "app_error.h"

std::string AnsiPathForLibrary(const std::wstring& path, const ToAnsiFn& toAnsi,
                               const ShortPathFn& shortPathOf) {
    AnsiText full = toAnsi(path);
    if (full.lossless && path.size() <= kMaxAnsiPath) return full.bytes;

    if (const std::optional<std::wstring> shortPath = shortPathOf(path)) {
        AnsiText shortened = toAnsi(*shortPath);
        if (shortened.lossless && (!full.lossless || shortPath->size() <= kMaxAnsiPath))
            return shortened.bytes;
    }
    if (full.lossless) return full.bytes;  // too long, but at least it names the right file
    throw AppError{kErrBadFileName, L"The file's path cannot be written in this system's code page: " + path};
}
