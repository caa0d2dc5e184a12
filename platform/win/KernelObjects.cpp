#include "platform/win/KernelObjects.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <unordered_map>

namespace win
{

namespace
{

// Handles are small multiples of 4, as Win32's are, and never 0 or INVALID_HANDLE_VALUE.
struct HandleTable {
    std::mutex Lock;
    std::unordered_map<std::uintptr_t, std::shared_ptr<TKernelObject>> Objects;
    std::uintptr_t Next = 0x100;
};

HandleTable &Table()
{
    static HandleTable table;
    return table;
}

class TEventObject : public TKernelObject
{
public:
    TEventObject(bool ManualReset, bool Initial) : FManual(ManualReset), FSignalled(Initial) {}

    void Set()
    {
        {
            std::lock_guard lock(FLock);
            FSignalled = true;
        }
        FChanged.notify_all();
    }
    void Reset()
    {
        std::lock_guard lock(FLock);
        FSignalled = false;
    }
    DWORD WaitFor(DWORD Milliseconds) override
    {
        std::unique_lock lock(FLock);
        const auto signalled = [this] { return FSignalled; };
        if (Milliseconds == INFINITE)
            FChanged.wait(lock, signalled);
        else if (!FChanged.wait_for(lock, std::chrono::milliseconds(Milliseconds), signalled))
            return WAIT_TIMEOUT;
        if (!FManual) FSignalled = false;
        return WAIT_OBJECT_0;
    }

private:
    std::mutex FLock;
    std::condition_variable FChanged;
    const bool FManual;
    bool FSignalled;
};

thread_local DWORD LastError = ERROR_SUCCESS;

} // namespace

DWORD TKernelObject::WaitFor(DWORD)
{
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
}

HANDLE AddKernelObject(std::shared_ptr<TKernelObject> Object)
{
    HandleTable &t = Table();
    std::lock_guard lock(t.Lock);
    const std::uintptr_t id = t.Next;
    t.Next += 4;
    t.Objects.emplace(id, std::move(Object));
    return HandleFromId<HANDLE>(id);
}

std::shared_ptr<TKernelObject> FindKernelObject(HANDLE Object)
{
    HandleTable &t = Table();
    std::lock_guard lock(t.Lock);
    const auto it = t.Objects.find(IdFromHandle(Object));
    return it == t.Objects.end() ? nullptr : it->second;
}

} // namespace win

using win::FindKernelObject;

DWORD GetLastError()
{
    return win::LastError;
}

void SetLastError(DWORD ErrorCode)
{
    win::LastError = ErrorCode;
}

BOOL CloseHandle(HANDLE Object)
{
    std::shared_ptr<win::TKernelObject> closed;
    {
        win::HandleTable &t = win::Table();
        std::lock_guard lock(t.Lock);
        const auto it = t.Objects.find(IdFromHandle(Object));
        if (it != t.Objects.end()) {
            closed = std::move(it->second);
            t.Objects.erase(it);
        }
    }
    if (!closed) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    closed->Close();
    return TRUE;
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL ManualReset, BOOL InitialState, LPCSTR)
{
    return win::AddKernelObject(std::make_shared<win::TEventObject>(ManualReset, InitialState));
}

BOOL SetEvent(HANDLE Event)
{
    const auto e = FindKernelObject<win::TEventObject>(Event);
    if (!e) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    e->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE Event)
{
    const auto e = FindKernelObject<win::TEventObject>(Event);
    if (!e) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    e->Reset();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE Object, DWORD Milliseconds)
{
    const auto o = FindKernelObject(Object);
    if (!o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return o->WaitFor(Milliseconds);
}
