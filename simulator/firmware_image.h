// What the simulated controller accepts as firmware: an ARM image whose vector
// table (its first eight words) holds only branches or loads into the PC.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::uint64_t kFlashSize = 256 * 1024;
constexpr std::uint64_t kMinImageSize = 64;

bool HasArmVectorTable(const unsigned char* start, std::size_t length);
