// Between UTF-16 text and the ANSI code page, which older libraries take.
#pragma once

#include <string>

#include "ansi_text.h"

AnsiText ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const std::string& bytes);
