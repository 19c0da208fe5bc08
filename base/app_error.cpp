#include "app_error.h"

#include <new>

AppError ToAppError(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const AppError& appError) {
        return appError;
    } catch (const std::bad_alloc&) {
        return {kErrOutOfMemory, L"Out of memory"};
    } catch (...) {
        return {kErrInternal, L"Internal error"};
    }
}

std::int32_t ErrorNumber(std::exception_ptr error) noexcept {
    try {
        std::rethrow_exception(error);
    } catch (const AppError& appError) {
        return appError.number;
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    } catch (...) {
        return kErrInternal;
    }
}
