#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// What the program says when a fault ends it, or when it ends in the middle
// of an update. Written into `text`, cut short where it does not fit, without
// allocating: the heap may be broken by then.

// A fault of the flashing library's. `module` is empty when the place of the
// fault is unknown.
void WriteLibraryFaultText(std::span<wchar_t> text, std::uint32_t code, std::wstring_view module,
                           std::uintptr_t offset);
// A fault anywhere else: the program's own, and one that cut a write short.
void WriteProgramFaultText(std::span<wchar_t> text, std::uint32_t code, std::wstring_view module,
                           std::uintptr_t offset);
void WriteProgramFaultDuringWriteText(std::span<wchar_t> text, std::uint32_t code, std::wstring_view module,
                                      std::uintptr_t offset);

// Where an update attempt stands, as the watcher outside the program knows it.
enum class AttemptStage : std::uint32_t {
    None = 0,
    Calling = 1,   // the library is writing the controller
    Answered = 2,  // it returned, and the box that tells its result waits for the user
    Told = 3,      // the user answered that box
};

// The program ended with `exitStatus` at `stage`, the library having returned
// `result` (32 bits, as it answered) where it did. False when nothing needs
// telling: the write had not begun, or its outcome left the controller as it
// was or fully written.
bool WriteUpdateEndedText(std::span<wchar_t> text, AttemptStage stage, std::int32_t result,
                          std::uint32_t exitStatus);
