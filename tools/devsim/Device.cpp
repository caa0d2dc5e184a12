#include "tools/devsim/Device.h"

#include <numeric>

namespace devsim
{

namespace
{

constexpr std::size_t CommandFrame = 6;
constexpr std::size_t WriteHeader = 5; // A5 75 AH AL NN
constexpr std::size_t LoaderPingFrame = 4;
constexpr std::size_t LoaderShortest = 7; // header, one data byte, CS
constexpr std::uint8_t Accepted = 0x0F;
constexpr std::uint8_t Refused = 0x00;
const Bytes LoaderReady = {LoaderStart, LoaderStart, LoaderPing, 0xFD};
const Bytes LoaderBlockAck = {LoaderStart, LoaderStart, LoaderData, 0xFE};

std::uint8_t Sum(const std::uint8_t *Data, std::size_t Count)
{
    return static_cast<std::uint8_t>(std::accumulate(Data, Data + Count, 0u));
}

} // namespace

std::uint8_t FrameChecksum(const std::uint8_t *Data, std::size_t Count)
{
    return Count < 2 ? 0 : Sum(Data + 1, Count - 2);
}

std::vector<TExchange> TDevice::Feed(const std::uint8_t *Data, std::size_t Count,
                                     Clock::time_point Now)
{
    if (Now < FLoaderStarted) return {};
    if (!FPending.empty() && Now - FLastByte >= ResyncGap) FPending.clear();
    FPending.insert(FPending.end(), Data, Data + Count);
    FLastByte = Now;
    return Cut(false);
}

std::vector<TExchange> TDevice::Idle(Clock::time_point Now)
{
    if (FPending.empty() || Now - FLastByte < LoaderGap) return {};
    std::vector<TExchange> served = Cut(true);
    if (Now - FLastByte >= ResyncGap) FPending.clear();
    return served;
}

std::optional<Clock::time_point> TDevice::NextIdleDeadline() const
{
    if (FPending.empty()) return std::nullopt;
    return FLastByte + LoaderGap;
}

std::optional<std::size_t> TDevice::FrameLength(bool Quiet) const
{
    const Bytes &p = FPending;
    if (p[0] == FrameStart) {
        if (p.size() < 2) return 0;
        switch (p[1]) {
        case CmdSetting:
        case CmdReadBlock:
        case CmdLoader:
            return CommandFrame;
        case CmdWriteBlock:
            return p.size() < WriteHeader ? 0 : WriteHeader + p[4] + 1;
        default:
            return std::nullopt;
        }
    }
    if (!FInLoader || p[0] != LoaderStart) return std::nullopt;
    if (p.size() < 3)
        return p.size() < 2 || p[1] == LoaderStart ? std::optional<std::size_t>(0) : std::nullopt;
    if (p[1] != LoaderStart) return std::nullopt;
    if (p[2] == LoaderPing) return LoaderPingFrame;
    if (p[2] != LoaderData) return std::nullopt;
    // A block has no length byte: it is full, or it ended when the line went quiet.
    if (p.size() >= LoaderBlockFrame) return LoaderBlockFrame;
    return Quiet && p.size() >= LoaderShortest ? p.size() : 0;
}

std::vector<TExchange> TDevice::Cut(bool Quiet)
{
    std::vector<TExchange> served;
    while (!FPending.empty()) {
        const std::optional<std::size_t> length = FrameLength(Quiet);
        if (!length) {
            FPending.erase(FPending.begin()); // not a frame start: resynchronise on the next byte
            continue;
        }
        if (*length == 0 || FPending.size() < *length) break;
        Bytes frame(FPending.begin(), FPending.begin() + *length);
        FPending.erase(FPending.begin(), FPending.begin() + *length);
        served.push_back(Serve(std::move(frame)));
        // Bytes that came along with the entry frame are lost to the loader's start.
        if (FLastByte < FLoaderStarted) FPending.clear();
    }
    return served;
}

TExchange TDevice::Serve(Bytes Frame)
{
    TExchange x;
    if (Frame[0] == FrameStart) {
        x.Frame.ChecksumOk = FrameChecksum(Frame.data(), Frame.size()) == Frame.back();
        if (x.Frame.ChecksumOk) x.Answer = ServeCommand(Frame);
    } else {
        // Loader frames carry a negated sum: the bytes after 0F 0F add up to zero.
        x.Frame.ChecksumOk = Sum(Frame.data() + 2, Frame.size() - 2) == 0;
        if (x.Frame.ChecksumOk) x.Answer = ServeLoader(Frame);
    }
    x.Frame.Data = std::move(Frame);
    return x;
}

std::optional<Bytes> TDevice::ServeCommand(const Bytes &F)
{
    const unsigned address = (F[2] << 8) | F[3];
    switch (F[1]) {
    case CmdSetting:
        if (F[2] == 0x00) return Bytes{FMemory.Settings[F[3]]};
        if (F[2] == 0x01) {
            if (FMemory.RefusedSettings[F[3]]) return Bytes{Refused};
            FMemory.Settings[F[3]] = F[4];
            return Bytes{Accepted};
        }
        return std::nullopt;
    case CmdReadBlock: {
        Bytes answer(F.begin(), F.begin() + WriteHeader);
        const Bytes data = FMemory.Read(address, F[4]);
        answer.insert(answer.end(), data.begin(), data.end());
        answer.push_back(Sum(answer.data() + 1, answer.size() - 1));
        return answer;
    }
    case CmdWriteBlock:
        FMemory.Write(address, F.data() + WriteHeader, F[4]);
        return Bytes{F.back()};
    case CmdLoader:
        if (F[2] != 0x51 || F[3] != 0x00 || F[4] != 0x00) return std::nullopt;
        FInLoader = true;
        FLoaderStarted = FLastByte + LoaderStartTime;
        FMemory.Firmware.clear();
        if (LoaderAnswer == TLoaderAnswer::ToEntryFrame) return LoaderReady;
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<Bytes> TDevice::ServeLoader(const Bytes &F)
{
    if (F[2] == LoaderPing) {
        if (LoaderAnswer == TLoaderAnswer::ToPing) return LoaderReady;
        return std::nullopt;
    }
    const std::size_t offset = (F[3] << 8) | F[4];
    const std::size_t count = F.size() - 6;
    if (FMemory.Firmware.size() < offset + count) FMemory.Firmware.resize(offset + count, 0xFF);
    std::copy(F.begin() + 5, F.end() - 1, FMemory.Firmware.begin() + offset);
    return LoaderBlockAck;
}

} // namespace devsim
