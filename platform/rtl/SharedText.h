#pragma once

// The text a variant holds. Copies share one buffer, so reading or passing a text
// costs nothing however long it is. A text never changes once made; a join writes
// its new characters into the buffer's free room just past the end (or just before
// the start) of one side when no other text has claimed that room, so building a
// text piece by piece, at either end and through any number of copies, copies it
// only when the buffer is full.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

class AnsiString;

namespace rtl
{

// The characters of every text sharing it lie between Low and High; the room outside
// is free for whichever text first claims it, by moving Low or High past it.
struct SharedTextBuffer {
    std::atomic<std::uint32_t> Refs;
    std::uint32_t Capacity;
    std::atomic<std::uint32_t> Low;
    std::atomic<std::uint32_t> High;

    char *Data() { return reinterpret_cast<char *>(this + 1); }
    // True when that was the last holder. The last one needs no atomic step: nobody
    // else can take a share of a buffer that only it holds.
    bool Release() noexcept
    {
        return Refs.load(std::memory_order_acquire) == 1 ||
               Refs.fetch_sub(1, std::memory_order_acq_rel) == 1;
    }
    static SharedTextBuffer *Make(std::size_t Capacity, std::size_t Low, std::size_t High);
    static void Free(SharedTextBuffer *B) noexcept;
};

class SharedText
{
public:
    SharedText() noexcept = default;
    explicit SharedText(std::string_view Text);
    SharedText(const SharedText &Other) noexcept
        : FBuffer(Other.FBuffer), FStart(Other.FStart), FLength(Other.FLength)
    {
        Retain();
    }
    SharedText(SharedText &&Other) noexcept
        : FBuffer(Other.FBuffer), FStart(Other.FStart), FLength(Other.FLength)
    {
        Other.FBuffer = nullptr;
        Other.FStart = Other.FLength = 0;
    }
    SharedText &operator=(const SharedText &Other) noexcept;
    SharedText &operator=(SharedText &&Other) noexcept;
    ~SharedText() { Release(); }

    std::string_view View() const noexcept;
    std::size_t Length() const noexcept { return FLength; }
    bool IsEmpty() const noexcept { return FLength == 0; }

    static SharedText Join(const SharedText &Left, const SharedText &Right);
    // The same, taking Left's share over: a text grown in place costs no atomic count.
    static SharedText Join(SharedText &&Left, const SharedText &Right);
    // Count characters from the 0-based Start, both within the text. A part that is
    // most of the buffer shares it; a small one is copied so that it does not keep
    // a large buffer alive.
    SharedText Part(std::size_t Start, std::size_t Count) const;
    // Part put in before the 0-based At (at most Length), and Count characters taken
    // out from Start (both within the text): at either end the text grows in place or
    // is shared, in the middle it is copied once.
    SharedText Inserted(std::size_t At, const SharedText &Part) const;
    SharedText Erased(std::size_t Start, std::size_t Count) const;
    // The characters to change in place; copied first when another text shares them.
    char *MutableData();

private:
    friend class ::AnsiString;
    using Buffer = SharedTextBuffer;

    SharedText(Buffer *ABuffer, std::uint32_t AStart, std::uint32_t ALength) noexcept
        : FBuffer(ABuffer), FStart(AStart), FLength(ALength)
    {
    }
    static SharedText Copy(std::initializer_list<std::string_view> Parts, bool RoomBefore);
    bool GrowBack(std::string_view Tail, SharedText &Result) const;
    // Writes Tail into the room just past this text when nobody has claimed it.
    bool ClaimBack(std::string_view Tail) const;
    bool GrowFront(std::string_view Head, SharedText &Result) const;
    void Retain() const noexcept;
    void Release() noexcept;

    Buffer *FBuffer = nullptr;
    std::uint32_t FStart = 0;
    std::uint32_t FLength = 0;
};

} // namespace rtl
