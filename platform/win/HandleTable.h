#pragma once
// The objects of one kind that handles name: the table gives out the handle numbers, owns
// the objects and finds them again. Every call may come from any thread.

#include "platform/win/WinTypes.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace win
{

// A table's finds kept for the calling thread while nothing was removed from the table since:
// a handle is looked up hundreds of times between two removals (a DC through a repaint), and
// the lock and the walk cost more than most drawings they serve. Removals counts the table's
// removals, bumped under Mutex before each.
template <typename Data>
Data *FindRecent(std::mutex &Mutex, const std::map<std::uintptr_t, std::unique_ptr<Data>> &Items,
                 const std::atomic<std::uint64_t> &Removals, std::uintptr_t Id)
{
    struct Found {
        const void *Table = nullptr;
        std::uintptr_t Id = 0;
        std::uint64_t Removals = 0;
        Data *Item = nullptr;
    };
    thread_local std::array<Found, 16> Recent;
    Found &Slot = Recent[Id % Recent.size()];
    if (Slot.Table == &Items && Slot.Id == Id &&
        Slot.Removals == Removals.load(std::memory_order_acquire))
        return Slot.Item;
    std::lock_guard Lock(Mutex);
    const auto It = Items.find(Id);
    if (It == Items.end()) return nullptr;
    Slot = Found{&Items, Id, Removals.load(std::memory_order_relaxed), It->second.get()};
    return Slot.Item;
}

template <typename Handle, typename Data> class THandleTable
{
public:
    // The first number given out; kinds of handles start far apart, so a handle of one kind
    // is never found in another kind's table.
    explicit THandleTable(std::uintptr_t FirstId) : FNextId(FirstId) {}

    Handle Add(std::unique_ptr<Data> Item)
    {
        std::lock_guard lock(FMutex);
        const std::uintptr_t id = FNextId++;
        FItems.emplace(id, std::move(Item));
        return HandleFromId<Handle>(id);
    }

    // Null for a handle the table never gave out or has removed.
    Data *Find(Handle Value) { return FindRecent(FMutex, FItems, FRemovals, IdFromHandle(Value)); }

    bool Remove(Handle Value)
    {
        std::lock_guard lock(FMutex);
        const auto it = FItems.find(IdFromHandle(Value));
        if (it == FItems.end()) return false;
        FRemovals.fetch_add(1, std::memory_order_release);
        FItems.erase(it);
        return true;
    }

private:
    std::mutex FMutex;
    std::atomic<std::uint64_t> FRemovals{0};
    std::map<std::uintptr_t, std::unique_ptr<Data>> FItems;
    std::uintptr_t FNextId;
};

// A process-wide table is never freed: a static object that frees its handles at exit must
// still find them, whatever order the statics were made in.
template <typename Handle, typename Data, std::uintptr_t FirstId>
THandleTable<Handle, Data> &ProcessWideTable()
{
    union Lasting {
        Lasting() : Table(FirstId) {}
        ~Lasting() {}
        THandleTable<Handle, Data> Table;
    };
    static Lasting Storage;
    return Storage.Table;
}

} // namespace win
