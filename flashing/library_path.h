// Which bytes name the chosen file to a library that opens files through the
// ANSI functions.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <variant>

#include "ansi_text.h"
#include "flash_result.h"

using ToAnsiFn = std::function<AnsiText(const std::wstring&)>;
using ShortPathFn = std::function<std::optional<std::wstring>(const std::wstring&)>;

// Longest path, in bytes without its NUL, that the ANSI file functions open.
constexpr std::size_t kMaxAnsiPath = 259;

// A lossy conversion could name a different, existing file (best-fit maps
// look-alike characters to ASCII), so such a path is replaced by its 8.3 form,
// or refused. So is an over-long one: shortened, or refused. `shortPathOf` is
// asked with the "\\?\" form of a path of 260 characters or more, which is
// the only form Windows looks such a path up in.
std::variant<std::string, FlashRefusal> AnsiPathForLibrary(const std::wstring& path, const ToAnsiFn& toAnsi,
                                                           const ShortPathFn& shortPathOf);
