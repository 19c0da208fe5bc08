// Appends to a fixed buffer, cut short where it does not fit, and always
// NUL-terminated; takes no memory, for text written when the heap may be broken.
#pragma once

#include <cstdint>
#include <iterator>
#include <span>
#include <string_view>

class FixedText {
public:
    explicit FixedText(std::span<wchar_t> buffer) : buffer_(buffer) {
        if (!buffer_.empty()) buffer_[0] = L'\0';
    }
    FixedText& operator<<(std::wstring_view piece) {
        for (wchar_t c : piece) {
            if (length_ + 1 >= buffer_.size()) break;
            buffer_[length_++] = c;
            buffer_[length_] = L'\0';
        }
        return *this;
    }
    // Upper-case hexadecimal, with leading zeros up to `minDigits` (at most
    // as many as the value's type has).
    FixedText& Hex(std::uintmax_t value, int minDigits) {
        wchar_t digits[2 * sizeof value];
        if (minDigits > static_cast<int>(std::size(digits))) minDigits = static_cast<int>(std::size(digits));
        int count = 0;
        do {
            digits[count++] = L"0123456789ABCDEF"[value % 16];
            value /= 16;
        } while (value != 0 || count < minDigits);
        while (count > 0) *this << std::wstring_view(&digits[--count], 1);
        return *this;
    }

private:
    std::span<wchar_t> buffer_;
    std::size_t length_ = 0;
};
