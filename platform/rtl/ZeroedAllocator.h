#pragma once
// An allocator for large byte stores that are mostly never written.

#include <cstdlib>
#include <new>
#include <utility>

namespace rtl
{

// Blocks come zeroed from calloc, which takes large ones straight from the system as
// fresh pages that cost memory only once written, and new elements are not written
// again. So a store sized for a huge picture costs memory only for what is really
// filled; the rest reads as zero. Make a container of a size as T(Size): one that
// shrank and grows again would keep its old elements.
template <class T> struct ZeroedAllocator {
    using value_type = T;
    ZeroedAllocator() = default;
    template <class U> ZeroedAllocator(const ZeroedAllocator<U> &) noexcept {}
    T *allocate(std::size_t Count)
    {
        if (void *Block = std::calloc(Count, sizeof(T))) return static_cast<T *>(Block);
        throw std::bad_alloc();
    }
    void deallocate(T *Block, std::size_t) noexcept { std::free(Block); }
    // Value-initialised elements of a new block: calloc zeroed them.
    template <class U> void construct(U *) noexcept {}
    template <class U, class... A> void construct(U *At, A &&...Args)
    {
        ::new (static_cast<void *>(At)) U(std::forward<A>(Args)...);
    }
    friend bool operator==(const ZeroedAllocator &, const ZeroedAllocator &) { return true; }
};

} // namespace rtl
