// A watcher in a second process, for the endings no code inside this one can
// tell: a fast-fail, a corrupted heap, a library that ends the process itself,
// End task. It is the program's own executable started with an argument of its
// own. It waits on this process without taking any CPU or showing anything,
// and when the process ends while a task is under way whose outcome nobody
// told, it tells the user in one box. It holds nothing of the program's.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

struct OutsideReport {
    const wchar_t* title;
    // The process ended with `exitStatus` in the middle of a task.
    void (*writeEnded)(std::span<wchar_t> text, std::uint32_t exitStatus);
    // A fault was claimed in the process, and its own report never came up.
    void (*writeFault)(std::span<wchar_t> text, std::uint32_t code, std::wstring_view module,
                       std::uintptr_t offset);
};

namespace OutsideWatch {

// In the watched process. Start makes the watcher the first time; false when
// it cannot, and the process goes on without one. The others do nothing
// without a watcher, and take no memory or lock.
bool Start(const wchar_t* argument) noexcept;
void TaskStarted() noexcept;
void TaskTold() noexcept;  // the task's outcome has been told
void FaultClaimed(std::uint32_t code, std::wstring_view module, std::uintptr_t offset) noexcept;
void FaultTold() noexcept;  // the process's own report of the fault is up

// In the watcher: whether `commandLine` starts one, and running it. A command
// line that names no watch of this program ends it at once, silently.
bool IsWatcherRun(const wchar_t* commandLine, const wchar_t* argument) noexcept;
int RunWatcher(const wchar_t* commandLine, const wchar_t* argument, const OutsideReport& report) noexcept;

}  // namespace OutsideWatch
