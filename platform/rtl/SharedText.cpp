#include "platform/rtl/SharedText.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <new>
#include <stdexcept>

namespace rtl
{

SharedTextBuffer *SharedTextBuffer::Make(std::size_t Capacity, std::size_t Low, std::size_t High)
{
    void *Memory = ::operator new(sizeof(SharedTextBuffer) + Capacity);
    return new (Memory) SharedTextBuffer{{1},
                                         static_cast<std::uint32_t>(Capacity),
                                         {static_cast<std::uint32_t>(Low)},
                                         {static_cast<std::uint32_t>(High)}};
}

void SharedTextBuffer::Free(SharedTextBuffer *B) noexcept
{
    B->~SharedTextBuffer();
    ::operator delete(B);
}

namespace
{

// Texts are measured in int elsewhere.
constexpr std::size_t MaxLength = INT_MAX;

std::size_t CheckedLength(std::size_t Length)
{
    if (Length > MaxLength) throw std::length_error("text too long");
    return Length;
}

} // namespace

SharedText::SharedText(std::string_view Text)
{
    if (Text.empty()) return;
    std::size_t Length = CheckedLength(Text.size());
    // One byte more, where a class-library text sharing this one can end itself.
    FBuffer = Buffer::Make(Length + 1, 0, Length);
    std::memcpy(FBuffer->Data(), Text.data(), Length);
    FLength = static_cast<std::uint32_t>(Length);
}

SharedText &SharedText::operator=(const SharedText &Other) noexcept
{
    if (this != &Other) {
        Other.Retain();
        Release();
        FBuffer = Other.FBuffer;
        FStart = Other.FStart;
        FLength = Other.FLength;
    }
    return *this;
}

SharedText &SharedText::operator=(SharedText &&Other) noexcept
{
    if (this != &Other) {
        Release();
        FBuffer = Other.FBuffer;
        FStart = Other.FStart;
        FLength = Other.FLength;
        Other.FBuffer = nullptr;
        Other.FStart = Other.FLength = 0;
    }
    return *this;
}

void SharedText::Retain() const noexcept
{
    if (FBuffer) FBuffer->Refs.fetch_add(1, std::memory_order_relaxed);
}

void SharedText::Release() noexcept
{
    if (FBuffer && FBuffer->Release()) Buffer::Free(FBuffer);
    FBuffer = nullptr;
}

std::string_view SharedText::View() const noexcept
{
    return FBuffer ? std::string_view(FBuffer->Data() + FStart, FLength) : std::string_view();
}

bool SharedText::ClaimBack(std::string_view Tail) const
{
    if (!FBuffer) return false;
    std::uint32_t End = FStart + FLength;
    if (FBuffer->Capacity - End < Tail.size()) return false;
    auto NewEnd = static_cast<std::uint32_t>(End + Tail.size());
    if (!FBuffer->High.compare_exchange_strong(End, NewEnd, std::memory_order_acq_rel))
        return false;
    // Tail may lie in this buffer too, but only below End.
    std::memcpy(FBuffer->Data() + End, Tail.data(), Tail.size());
    return true;
}

bool SharedText::GrowBack(std::string_view Tail, SharedText &Result) const
{
    if (!ClaimBack(Tail)) return false;
    Retain();
    Result = SharedText(FBuffer, FStart, FLength + static_cast<std::uint32_t>(Tail.size()));
    return true;
}

bool SharedText::GrowFront(std::string_view Head, SharedText &Result) const
{
    if (!FBuffer || FStart < Head.size()) return false;
    std::uint32_t Start = FStart;
    auto NewStart = static_cast<std::uint32_t>(Start - Head.size());
    if (!FBuffer->Low.compare_exchange_strong(Start, NewStart, std::memory_order_acq_rel))
        return false;
    std::memcpy(FBuffer->Data() + NewStart, Head.data(), Head.size());
    Retain();
    Result = SharedText(FBuffer, NewStart, FLength + static_cast<std::uint32_t>(Head.size()));
    return true;
}

// A new buffer with room to grow by half again, on the side the text is growing.
SharedText SharedText::Copy(std::initializer_list<std::string_view> Parts, bool RoomBefore)
{
    std::size_t Length = 0;
    for (std::string_view Part : Parts)
        Length += Part.size();
    CheckedLength(Length);
    std::size_t Capacity = std::min(Length + Length / 2 + 16, MaxLength);
    std::size_t Start = RoomBefore ? Capacity - Length : 0;
    Buffer *B = Buffer::Make(Capacity, Start, Start + Length);
    char *To = B->Data() + Start;
    for (std::string_view Part : Parts) {
        // An empty view may have no data at all, which memcpy must not see.
        if (!Part.empty()) std::memcpy(To, Part.data(), Part.size());
        To += Part.size();
    }
    return SharedText(B, static_cast<std::uint32_t>(Start), static_cast<std::uint32_t>(Length));
}

SharedText SharedText::Join(const SharedText &Left, const SharedText &Right)
{
    if (Right.IsEmpty()) return Left;
    if (Left.IsEmpty()) return Right;
    CheckedLength(Left.Length() + Right.Length());
    SharedText Result;
    if (Left.GrowBack(Right.View(), Result) || Right.GrowFront(Left.View(), Result)) return Result;
    return Copy({Left.View(), Right.View()}, Right.Length() > Left.Length());
}

SharedText SharedText::Join(SharedText &&Left, const SharedText &Right)
{
    if (Right.IsEmpty()) return std::move(Left);
    if (Left.IsEmpty() || !Left.ClaimBack(Right.View())) return Join(Left, Right);
    Left.FLength += Right.FLength;
    return std::move(Left);
}

SharedText SharedText::Part(std::size_t Start, std::size_t Count) const
{
    if (Count == 0) return SharedText();
    if (Count == FLength) return *this;
    if (Count * 2 < FBuffer->Capacity) return SharedText(View().substr(Start, Count));
    Retain();
    return SharedText(FBuffer, FStart + static_cast<std::uint32_t>(Start),
                      static_cast<std::uint32_t>(Count));
}

SharedText SharedText::Inserted(std::size_t At, const SharedText &Part) const
{
    if (At == 0) return Join(Part, *this);
    if (At == FLength) return Join(*this, Part);
    CheckedLength(FLength + Part.Length());
    return Copy({View().substr(0, At), Part.View(), View().substr(At)}, false);
}

SharedText SharedText::Erased(std::size_t Start, std::size_t Count) const
{
    if (Start == 0) return this->Part(Count, FLength - Count);
    if (Start + Count == FLength) return this->Part(0, Start);
    return Copy({View().substr(0, Start), View().substr(Start + Count)}, false);
}

char *SharedText::MutableData()
{
    if (!FBuffer) return nullptr;
    if (FBuffer->Refs.load(std::memory_order_acquire) != 1) *this = Copy({View()}, false);
    // Alone in the buffer: the room around the text is nobody else's.
    FBuffer->Low.store(FStart, std::memory_order_relaxed);
    FBuffer->High.store(FStart + FLength, std::memory_order_relaxed);
    return FBuffer->Data() + FStart;
}

} // namespace rtl
