#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// What the program says when the flashing library crashes, or the program
// ends in the middle of an update. Written into `text`, cut short where it
// does not fit, without allocating: the heap may be broken by then.

// `module` is empty when the place of the fault is unknown.
void WriteLibraryFaultText(std::span<wchar_t> text, std::uint32_t code, std::wstring_view module,
                           std::uintptr_t offset);
// The program ended with `exitStatus` before the outcome was told.
void WriteUpdateCutShortText(std::span<wchar_t> text, std::uint32_t exitStatus);
