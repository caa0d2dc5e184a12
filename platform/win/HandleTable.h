#pragma once
// The objects of one kind that handles name: the table gives out the handle numbers, owns
// the objects and finds them again. Every call may come from any thread.

#include "platform/win/WinTypes.h"

#include <map>
#include <memory>
#include <mutex>

namespace win
{

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
    Data *Find(Handle Value)
    {
        std::lock_guard lock(FMutex);
        const auto it = FItems.find(IdFromHandle(Value));
        return it == FItems.end() ? nullptr : it->second.get();
    }

    bool Remove(Handle Value)
    {
        std::lock_guard lock(FMutex);
        return FItems.erase(IdFromHandle(Value)) != 0;
    }

private:
    std::mutex FMutex;
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
