#pragma once

#include <cstddef>
#include <cstdint>

// CRC-32 (IEEE), as zip uses: tells which file's bytes the library read.
inline std::uint32_t Crc32(const unsigned char* bytes, std::size_t length) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}
