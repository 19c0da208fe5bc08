// The program's one error type: a run-time error with a number and a description.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

struct AppError {
    std::int32_t number;
    std::wstring description;
};

// Numbers users know from the classic run-time, in order.
constexpr std::int32_t kErrOverflow = 6;
constexpr std::int32_t kErrOutOfMemory = 7;
constexpr std::int32_t kErrInternal = 51;
constexpr std::int32_t kErrFileNotFound = 53;
constexpr std::int32_t kErrDllEntryPoint = 453;
constexpr std::int32_t kErrCancel = 32755;

// Any exception as a run-time error: AppError itself, out of memory, or internal.
AppError ToAppError(std::exception_ptr error);
// Its number alone, which takes no memory: out of memory must not fail the test.
std::int32_t ErrorNumber(std::exception_ptr error) noexcept;
