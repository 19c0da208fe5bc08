#include "firmware_image.h"

bool HasArmVectorTable(const unsigned char* start, std::size_t length) {
    if (length < 32) return false;
    for (std::size_t i = 0; i < 8; ++i) {
        const unsigned char* p = start + 4 * i;  // little-endian words
        const std::uint32_t word = p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
        const bool branch = (word & 0xFF000000u) == 0xEA000000u;  // B, always
        const bool loadPc = (word & 0xFFFFF000u) == 0xE59FF000u;  // LDR PC, [PC, #n]
        if (!branch && !loadPc) return false;
    }
    return true;
}
