#pragma once

// The QRV-4's side of the wire without the wire: bytes go in, frames are cut out of them,
// and each frame gets the device's answer. Time is passed in, so the frame parser's idle
// rules can be driven by a test as well as by the pseudo-terminal loop.

#include "tools/devsim/Memory.h"

#include <chrono>
#include <optional>

namespace devsim
{

using Clock = std::chrono::steady_clock;

// Frame bytes the device knows.
constexpr std::uint8_t FrameStart = 0xA5;
constexpr std::uint8_t CmdSetting = 0x96;
constexpr std::uint8_t CmdReadBlock = 0x31;
constexpr std::uint8_t CmdWriteBlock = 0x75;
constexpr std::uint8_t CmdLoader = 0x99;
constexpr std::uint8_t LoaderStart = 0x0F;
constexpr std::uint8_t LoaderData = 0x02;
constexpr std::uint8_t LoaderPing = 0x03;
constexpr std::size_t LoaderBlockFrame = 38; // 0F 0F 02 OH OL, 32 data bytes, CS

// The loader's readiness answer 0F 0F 03 FD must reach the PC exactly once.
enum class TLoaderAnswer {
    ToEntryFrame, // answer the A5 99 frame, ignore the PC's ping
    ToPing,       // stay silent on A5 99, answer the ping
};

struct TFrame {
    Bytes Data;
    bool ChecksumOk = false;
};

struct TExchange {
    TFrame Frame;
    std::optional<Bytes> Answer; // none: the device says nothing
};

// The low byte of the sum of the bytes after A5 up to the last payload byte.
std::uint8_t FrameChecksum(const std::uint8_t *Data, std::size_t Count);

class TDevice
{
public:
    // After this much silence a half-received frame is dropped, so the next frame starts clean.
    static constexpr auto ResyncGap = std::chrono::milliseconds(100);
    // A loader block shorter than 38 bytes ends when the line stays quiet this long.
    static constexpr auto LoaderGap = std::chrono::milliseconds(20);

    explicit TDevice(Memory Initial = Memory::Fresh()) : FMemory(std::move(Initial)) {}

    std::vector<TExchange> Feed(const std::uint8_t *Data, std::size_t Count, Clock::time_point Now);
    // Called when the line has been quiet; completes a short loader block or resynchronises.
    std::vector<TExchange> Idle(Clock::time_point Now);
    // When Idle next has something to do; none while no bytes are pending.
    std::optional<Clock::time_point> NextIdleDeadline() const;

    Memory &Mem() { return FMemory; }
    const Memory &Mem() const { return FMemory; }
    bool InLoader() const { return FInLoader; }
    TLoaderAnswer LoaderAnswer = TLoaderAnswer::ToEntryFrame;
    // The loader needs this long to start after the entry frame; what comes meanwhile is lost.
    std::chrono::milliseconds LoaderStartTime{0};

private:
    std::vector<TExchange> Cut(bool Quiet);
    // The length of the frame at the start of the pending bytes: 0 when more bytes are
    // needed, nullopt when the first byte cannot start a frame.
    std::optional<std::size_t> FrameLength(bool Quiet) const;
    TExchange Serve(Bytes Frame);
    std::optional<Bytes> ServeCommand(const Bytes &F);
    std::optional<Bytes> ServeLoader(const Bytes &F);

    Memory FMemory;
    Bytes FPending;
    Clock::time_point FLastByte{};
    bool FInLoader = false;
    Clock::time_point FLoaderStarted{};
};

} // namespace devsim
