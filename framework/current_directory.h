// The current directory may be anybody's folder, and code of another maker
// may change it and not put it back.
#pragma once

#include <string>

// Never the current directory in the DLL search. The rest of the search order
// stays: a library may rely on it for its own dependencies.
void KeepCurrentDirectoryOutOfDllSearch() noexcept;

// Taken before another maker's code runs, and put back after it.
class KeptCurrentDirectory {
public:
    KeptCurrentDirectory();
    void PutBack() const noexcept;

private:
    std::wstring directory_;
};
