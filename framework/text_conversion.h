// Between the program's UTF-16 text and the ANSI code page that the flashing
// library takes.
#pragma once

#include <string>

#include "library_path.h"

AnsiText ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const std::string& bytes);
