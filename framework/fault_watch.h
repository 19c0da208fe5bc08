// While a FaultWatch is armed, a fault that nothing handles, on any thread,
// ends the process with the program's own report instead of the system's, and
// so does one on any other thread than the arming one after the first arming:
// what faulted is never returned into, unwound through or called again, and
// no thread of ours runs on. The report cannot hang: everything it needs is
// made ready beforehand, since by the time of a fault the heap or the loader
// may be locked, and if its box is not up within 15 seconds the process ends
// all the same.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string_view>

struct FaultReport {
    const wchar_t* title;
    // Writes the report into `text`, taking no memory and no lock. `module` is
    // the file name of the module the fault happened in; empty when unknown.
    void (*write)(std::span<wchar_t> text, std::uint32_t code, std::wstring_view module,
                  std::uintptr_t offset);
    UINT exitStatus;  // once the box is answered, or its time is up
};

class FaultWatch {
public:
    // Makes the thread that tells the user, the first time; throws AppError
    // when it cannot, and then nothing may run under the watch.
    explicit FaultWatch(const FaultReport& report);
    ~FaultWatch();  // disarms
    FaultWatch(const FaultWatch&) = delete;
    FaultWatch& operator=(const FaultWatch&) = delete;

    // On the thread that runs the watched code: the last thing before it...
    void Arm() noexcept;
    // ...and the first thing after it. When a fault was claimed meanwhile, on
    // any thread, it never returns: the report ends the process.
    void Disarm() noexcept;

private:
    bool armed_ = false;
};
