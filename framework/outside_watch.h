// A watcher in a second process, for the endings no code inside this one can
// tell: a fast-fail, a corrupted heap, a library that ends the process itself,
// End task. It is the program's own executable started with an argument of its
// own. It waits on this process without taking any CPU or showing anything,
// and when the process ends at a stage that needs a word, or after a fault
// whose report never came up, it tells the user in one box. It holds nothing
// of the program's.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// Whose a fault that nothing handled was: the watched code's (a library of
// another maker), or the program's own, then with the watched code's call
// cut short or not.
enum class FaultOwner { WatchedCode, Program, ProgramDuringCall };

using WriteFaultFn = void (*)(std::span<wchar_t> text, std::uint32_t code, std::wstring_view module,
                              std::uintptr_t offset);

struct OutsideReport {
    const wchar_t* title;
    // The process ended with `exitStatus` at `stage`, as last marked with
    // `value`; writes what to tell, or returns false when there is nothing.
    bool (*writeEnded)(std::span<wchar_t> text, std::uint32_t stage, std::int32_t value,
                       std::uint32_t exitStatus);
    // A fault was claimed in the process, and its own report never came up.
    WriteFaultFn writeWatchedFault;
    WriteFaultFn writeOwnFault;
    WriteFaultFn writeOwnFaultDuringCall;
};

namespace OutsideWatch {

// In the watched process. Start makes the watcher the first time; false when
// it cannot, and the process goes on without one. The others do nothing
// without a watcher, and take no memory or lock.
bool Start(const wchar_t* argument) noexcept;
// What the process is doing, in the program's own numbers; 0 when nothing.
void Mark(std::uint32_t stage, std::int32_t value) noexcept;
void FaultClaimed(FaultOwner owner, std::uint32_t code, std::wstring_view module,
                  std::uintptr_t offset) noexcept;
void FaultTold() noexcept;  // the process's own report of the fault is up

// In the watcher: whether `commandLine` starts one, and running it. A command
// line that names no watch of this program ends it at once, silently.
bool IsWatcherRun(const wchar_t* commandLine, const wchar_t* argument) noexcept;
int RunWatcher(const wchar_t* commandLine, const wchar_t* argument, const OutsideReport& report) noexcept;

}  // namespace OutsideWatch
