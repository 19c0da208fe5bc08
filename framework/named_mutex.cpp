#include "named_mutex.h"

#include "win32_error.h"

NamedMutexLock::NamedMutexLock(const wchar_t* name) : mutex_(CreateMutexW(nullptr, FALSE, name)) {
    if (mutex_ == nullptr) throw LastWin32Error(L"CreateMutexW");
    // Abandoned: its holder ended without letting go; it is ours now.
    const DWORD wait = WaitForSingleObject(mutex_, 0);
    held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

NamedMutexLock::~NamedMutexLock() {
    if (held_) ReleaseMutex(mutex_);
    CloseHandle(mutex_);
}
