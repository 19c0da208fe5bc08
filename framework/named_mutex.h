#pragma once

#include <windows.h>

// A named mutex, taken if no process holds it, and held while this lives.
// Not held when another user's or an elevated process made it first, nor
// when an object of another kind has the name. Throws AppError when the mutex
// cannot be opened for another reason.
class NamedMutexLock {
public:
    explicit NamedMutexLock(const wchar_t* name);
    ~NamedMutexLock();
    NamedMutexLock(const NamedMutexLock&) = delete;
    NamedMutexLock& operator=(const NamedMutexLock&) = delete;

    bool Held() const { return held_; }
    bool NameTaken() const { return nameTaken_; }

private:
    HANDLE mutex_ = nullptr;
    bool held_ = false;
    bool nameTaken_ = false;
};
