#include "named_mutex.h"

#include "win32_error.h"

// From ntdll, which every process has loaded: advapi32's wrappers would load
// one more library at every start.
extern "C" {
NTSYSAPI LONG NTAPI RtlCreateSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, ULONG revision);
NTSYSAPI LONG NTAPI RtlCreateAcl(PACL acl, ULONG length, ULONG revision);
NTSYSAPI LONG NTAPI RtlAddAccessAllowedAce(PACL acl, ULONG revision, ACCESS_MASK mask, PSID sid);
NTSYSAPI LONG NTAPI RtlSetDaclSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, BOOLEAN present, PACL acl,
                                                 BOOLEAN defaulted);
}

namespace {

constexpr ACCESS_MASK kWaitAndRelease = SYNCHRONIZE | MUTEX_MODIFY_STATE;

}  // namespace

NamedMutexLock::NamedMutexLock(const wchar_t* name) {
    // Every user may wait on it and release it, and no one else may change
    // that: a copy in another session, or another user's, is kept out all the same.
    SID everyone = {SID_REVISION, 1, SECURITY_WORLD_SID_AUTHORITY, {SECURITY_WORLD_RID}};
    alignas(DWORD) unsigned char acl[64];
    SECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
    if (RtlCreateSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) != 0 ||
        RtlCreateAcl(reinterpret_cast<PACL>(acl), sizeof acl, ACL_REVISION) != 0 ||
        RtlAddAccessAllowedAce(reinterpret_cast<PACL>(acl), ACL_REVISION, kWaitAndRelease, &everyone) != 0 ||
        RtlSetDaclSecurityDescriptor(&descriptor, TRUE, reinterpret_cast<PACL>(acl), FALSE) != 0)
        throw AppError{kErrInternal, L"The mutex's security descriptor cannot be made"};

    mutex_ = CreateMutexExW(&attributes, name, 0, kWaitAndRelease);
    if (mutex_ == nullptr) {
        // Made by a copy whose mutex we may not open, elevated or another user's: it is theirs.
        if (GetLastError() == ERROR_ACCESS_DENIED) return;
        // An object of another kind holds the name, put there by some other program.
        if (GetLastError() == ERROR_INVALID_HANDLE) {
            nameTaken_ = true;
            return;
        }
        throw LastWin32Error(L"CreateMutexExW");
    }
    // Abandoned: its holder ended without letting go; it is ours now.
    const DWORD wait = WaitForSingleObject(mutex_, 0);
    held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

NamedMutexLock::~NamedMutexLock() {
    if (held_) ReleaseMutex(mutex_);
    if (mutex_ != nullptr) CloseHandle(mutex_);
}
