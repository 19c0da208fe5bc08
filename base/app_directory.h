#pragma once

#include <string>

// The directory of the executable as users see it: no trailing separator,
// except at a drive root ("C:\").
std::wstring AppDirectoryFromModulePath(const std::wstring& modulePath);

// Plain concatenation: a drive root gives two separators in a row, which
// Windows accepts; nothing is normalised. Only a "\\?\" drive root, which
// Windows would not normalise either, gets no second separator.
std::wstring PathInDirectory(const std::wstring& directory, const std::wstring& fileName);
