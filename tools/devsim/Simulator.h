#pragma once

// A QRV-4 on a pseudo-terminal. The simulator holds the master side; the program under test
// opens the slave side as a serial port, either by its path or by the COM number a link in
// the port folder gives it. One thread reads frames, answers them and records them; the
// misbehaviour the tests need (silence, slowness, wrong answers, line pacing, a device that
// vanishes) is chosen with TBehaviour at any time.

#include "tools/devsim/Device.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include <termios.h>

namespace devsim
{

// Puts a terminal into raw mode at one speed, as a serial line is.
void MakeRawLine(int Fd, speed_t Speed);

struct TBehaviour {
    bool Silent = false;                // record frames, answer none
    std::chrono::milliseconds Delay{0}; // wait this long before each answer
    int LengthDelta = 0;                // +1: one byte too many; -1: the last byte missing
    bool WrongBytes = false;            // every answer byte inverted
    bool Paced = false;                 // bytes take their wire time at the line's speed
    std::size_t VanishAfter = 0;        // disappear on receiving this many more frames
    // Unpaced, a pause before each answer byte after the first: an answer that trickles in.
    std::chrono::milliseconds ByteGap{0};
};

class TSimulator
{
public:
    explicit TSimulator(Memory Initial = Memory::Fresh());
    ~TSimulator();
    TSimulator(const TSimulator &) = delete;
    TSimulator &operator=(const TSimulator &) = delete;

    // The slave side's device file, as a serial port's device file.
    const std::string &DevicePath() const { return FDevicePath; }
    // Gives the device a COM number through a link in the port folder; removed at the end.
    void Expose(int ComNumber);

    void SetBehaviour(const TBehaviour &Value);
    TBehaviour Behaviour() const;
    void SetLoaderAnswer(TLoaderAnswer Value);
    void SetLoaderStartTime(std::chrono::milliseconds Value);
    void Edit(const std::function<void(Memory &)> &Change);
    Memory Snapshot() const;
    bool InLoader() const;

    std::vector<TFrame> Frames() const;
    void ClearFrames();
    // True when at least Count frames were received within Timeout.
    bool WaitForFrames(std::size_t Count, std::chrono::milliseconds Timeout) const;

    // The line speed the program set on the port (9600 until it sets one).
    unsigned LineSpeed() const;

    // Closes the master side at once, as a pulled adapter: the program's reads end in error.
    void Vanish();
    bool Vanished() const { return FVanished; }

    // Called on the simulator's thread for every frame, with its answer (for logging).
    void SetMonitor(std::function<void(const TExchange &)> Monitor);

private:
    void Run();
    bool Receive(Clock::time_point &RxLine);
    // Heard: when the frames' last byte reached the device; answers are timed from there.
    bool Handle(const std::vector<TExchange> &Served, Clock::time_point Heard);
    bool Respond(Bytes Answer, const TBehaviour &How, Clock::time_point Heard);
    bool WriteBytes(const std::uint8_t *Data, std::size_t Count);
    bool SleepUntil(Clock::time_point Deadline);
    Clock::duration ByteTime() const;
    void CloseDevice();
    bool Interrupted() const { return FStop || FVanishRequested; }

    int FMaster = -1;
    int FSlave = -1; // held open so the master never sees a hang-up between the program's opens
    int FWake = -1;
    std::string FDevicePath;
    std::string FLink;

    mutable std::mutex FLock;
    mutable std::condition_variable FFramesChanged;
    TDevice FDevice;
    TBehaviour FBehaviour;
    std::size_t FFramesBeforeVanish = 0;
    std::vector<TFrame> FFrames;
    Clock::time_point FTxLine{}; // when the answer line is free again (simulator thread only)
    std::function<void(const TExchange &)> FMonitor;

    std::atomic<bool> FStop{false};
    std::atomic<bool> FVanishRequested{false};
    std::atomic<bool> FVanished{false};
    std::thread FThread;
};

} // namespace devsim
