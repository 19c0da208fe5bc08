// The maker's two libraries, which must lie beside the program.
#pragma once

inline constexpr wchar_t kFlashingLibrary[] = L"OSCdll.DLL";
inline constexpr wchar_t kBootLoaderLibrary[] = L"AT91Boot_DLL.dll";  // only has to load
