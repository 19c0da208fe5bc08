#pragma once

#include <windows.h>

// A named mutex, taken if no process holds it, and held while this lives.
// Throws AppError when the mutex cannot be opened.
class NamedMutexLock {
public:
    explicit NamedMutexLock(const wchar_t* name);
    ~NamedMutexLock();
    NamedMutexLock(const NamedMutexLock&) = delete;
    NamedMutexLock& operator=(const NamedMutexLock&) = delete;

    bool Held() const { return held_; }

private:
    HANDLE mutex_;
    bool held_;
};
