#include "platform/win/GlobalMemory.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace
{

struct Blocks {
    std::mutex Mutex;
    std::map<std::uintptr_t, std::vector<BYTE>> Memory;
    std::uintptr_t NextId = 0x100000;
};

Blocks &All()
{
    static Blocks B;
    return B;
}

} // namespace

// Blocks never move, so a handle stays valid for as long as the block lives;
// a locked pointer is the block's own storage.
HGLOBAL GlobalAlloc(UINT Flags, SIZE_T Bytes)
{
    (void)Flags; // the memory is always zeroed
    Blocks &B = All();
    std::lock_guard Lock(B.Mutex);
    const std::uintptr_t Id = B.NextId++;
    B.Memory.emplace(Id, std::vector<BYTE>(Bytes ? Bytes : 1, 0));
    return reinterpret_cast<HGLOBAL>(Id);
}

HGLOBAL GlobalFree(HGLOBAL Memory)
{
    Blocks &B = All();
    std::lock_guard Lock(B.Mutex);
    return B.Memory.erase(reinterpret_cast<std::uintptr_t>(Memory)) ? HGLOBAL{} : Memory;
}

LPVOID GlobalLock(HGLOBAL Memory)
{
    Blocks &B = All();
    std::lock_guard Lock(B.Mutex);
    auto It = B.Memory.find(reinterpret_cast<std::uintptr_t>(Memory));
    return It == B.Memory.end() ? nullptr : It->second.data();
}

BOOL GlobalUnlock(HGLOBAL Memory)
{
    return GlobalLock(Memory) ? TRUE : FALSE;
}

SIZE_T GlobalSize(HGLOBAL Memory)
{
    Blocks &B = All();
    std::lock_guard Lock(B.Mutex);
    auto It = B.Memory.find(reinterpret_cast<std::uintptr_t>(Memory));
    return It == B.Memory.end() ? 0 : It->second.size();
}
