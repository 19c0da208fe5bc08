// The block a watched process writes, in memory its watcher maps read-only.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr std::uint32_t kOutsideWatchMagic = 0x4B575448;

struct OutsideWatchBlock {
    std::uint32_t magic;
    std::uint32_t size;
    DWORD processId;
    std::uint64_t token;  // also on the watcher's command line
    LONG stage;
    LONG stageValue;
    LONG faultClaimed;  // 0, or 1 + its FaultOwner
    LONG faultTold;
    DWORD faultCode;
    std::uint64_t faultOffset;
    wchar_t faultModule[64];
};
