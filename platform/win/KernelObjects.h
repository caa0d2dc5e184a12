#pragma once
// Win32 kernel objects the platform serves: a handle table shared by every kind of object,
// the per-thread last error, and events. Comm ports (CommApi.h) live in the same table,
// so CloseHandle and the error codes are one set for all of them.

#include "platform/win/WinTypes.h"

#include <memory>

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_BAD_COMMAND = 22;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_IO_INCOMPLETE = 996;
constexpr DWORD ERROR_IO_PENDING = 997;
constexpr DWORD ERROR_CANCELLED = 1223;
constexpr DWORD ERROR_TIMEOUT = 1460;

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES *;

DWORD GetLastError();
void SetLastError(DWORD ErrorCode);

BOOL CloseHandle(HANDLE Object);

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES Attributes, BOOL ManualReset, BOOL InitialState,
                    LPCSTR Name);
inline HANDLE CreateEvent(LPSECURITY_ATTRIBUTES Attributes, BOOL ManualReset, BOOL InitialState,
                          LPCSTR Name)
{
    return CreateEventA(Attributes, ManualReset, InitialState, Name);
}
BOOL SetEvent(HANDLE Event);
BOOL ResetEvent(HANDLE Event);
DWORD WaitForSingleObject(HANDLE Object, DWORD Milliseconds);

namespace win
{

// Anything a HANDLE can name. Close is called once, by CloseHandle, while other threads may
// still be inside a call on the object; they keep it alive through their shared pointer.
class TKernelObject
{
public:
    virtual ~TKernelObject() = default;
    virtual void Close() {}
    // Waits for the object as WaitForSingleObject does; objects that cannot be waited for
    // (comm ports) fail.
    virtual DWORD WaitFor(DWORD Milliseconds);
};

HANDLE AddKernelObject(std::shared_ptr<TKernelObject> Object);
std::shared_ptr<TKernelObject> FindKernelObject(HANDLE Object);

template <typename T> std::shared_ptr<T> FindKernelObject(HANDLE Object)
{
    return std::dynamic_pointer_cast<T>(FindKernelObject(Object));
}

} // namespace win
