#include "current_directory.h"

#include <windows.h>

void KeepCurrentDirectoryOutOfDllSearch() noexcept {
    SetDllDirectoryW(L"");
}

KeptCurrentDirectory::KeptCurrentDirectory() : directory_(GetCurrentDirectoryW(0, nullptr), L'\0') {
    directory_.resize(GetCurrentDirectoryW(static_cast<DWORD>(directory_.size()), directory_.data()));
}

void KeptCurrentDirectory::PutBack() const noexcept {
    if (!directory_.empty()) SetCurrentDirectoryW(directory_.c_str());
    KeepCurrentDirectoryOutOfDllSearch();
}
