// The stack protector's guard and its failure, in place of libssp's, whose
// guard set-up loads advapi32 for CryptGenRandom at every start: a tenth of
// this small program's start-up. The guard mixes what Windows' own /GS
// cookie once did: the clocks, the process and thread, and addresses that
// ASLR moves; and the CPU's random numbers where it has them. A failure ends
// the process at once, as /GS does: after a smashed stack or an overflowed
// buffer nothing in it can be trusted.
#include <cpuid.h>
#include <immintrin.h>
#include <windows.h>
#include <x86intrin.h>

#include <cstdint>

namespace {

// Inlined, so that each failure reads as its own code at its call sites.
[[noreturn, gnu::always_inline]] inline void FailFast(unsigned code) {
    // __fastfail: no handler, no unwinding. Before Windows 8 the same interrupt
    // is only an access violation, whose handlers would run on the smashed stack.
    if (IsProcessorFeaturePresent(PF_FASTFAIL_AVAILABLE)) __asm__ volatile("int $0x29" : : "c"(code));
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_trap();  // should TerminateProcess ever return
}

}  // namespace

extern "C" {

std::uintptr_t __stack_chk_guard = 0;

[[noreturn]] void __stack_chk_fail() {
    FailFast(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE);
}

// What the fortified string and memory functions call on an overflow.
[[noreturn]] void __chk_fail() {
    FailFast(FAST_FAIL_RANGE_CHECK_FAILURE);
}

}  // extern "C"

namespace {

std::uint64_t Mix(std::uint64_t value) {
    value ^= value >> 31;
    value *= 0x9E3779B97F4A7C15ull;
    return value ^ (value >> 29);
}

// 0 where the CPU has no RDRAND, or it gives no number.
__attribute__((target("rdrnd"), no_stack_protector)) std::uint64_t HardwareRandom() {
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || (ecx & bit_RDRND) == 0) return 0;
    for (int tries = 0; tries < 10; ++tries) {
#ifdef __x86_64__
        unsigned long long value;
        if (_rdrand64_step(&value)) return value;
#else
        unsigned value;
        if (_rdrand32_step(&value)) return value;
#endif
    }
    return 0;
}

// First of the constructors, before any protected function of ours runs.
__attribute__((constructor(101), no_stack_protector)) void SetUpStackGuard() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    std::uint64_t seed = Mix(__rdtsc() ^ static_cast<std::uint64_t>(counter.QuadPart));
    seed = Mix(seed ^ (std::uint64_t{now.dwHighDateTime} << 32 | now.dwLowDateTime));
    seed = Mix(seed ^ (std::uint64_t{GetCurrentProcessId()} << 32 | GetCurrentThreadId()) ^ GetTickCount64());
    seed = Mix(seed ^ reinterpret_cast<std::uintptr_t>(&counter));  // the stack's place
    seed = Mix(seed ^ reinterpret_cast<std::uintptr_t>(&__stack_chk_guard));
    seed = Mix(seed ^ HardwareRandom());
    __stack_chk_guard =
        static_cast<std::uintptr_t>(seed) != 0 ? static_cast<std::uintptr_t>(seed) : 0xFF0A0D00;
}

}  // namespace
