#pragma once

// Synchronisation objects: events, critical sections, interlocked arithmetic.

#include "platform/rtl/Classes.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace rtl
{
inline constexpr std::uint32_t InfiniteTimeout = 0xFFFFFFFF;
} // namespace rtl

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

class TSynchroObject : public TObject
{
    QRV4_CLASS(TSynchroObject, TObject)

public:
    virtual void Acquire() {}
    virtual void Release() {}
};

// An event object: a manual-reset event stays signalled until ResetEvent; an
// auto-reset one lets exactly one waiter through and resets itself.
class TEvent : public TSynchroObject
{
    QRV4_CLASS(TEvent, TSynchroObject)

public:
    TEvent(bool ManualReset, bool InitialState);
    // The class library's form; the security attributes and the name have no
    // meaning here.
    TEvent(const void *EventAttributes, bool ManualReset, bool InitialState,
           const AnsiString &Name);

    void SetEvent();
    void ResetEvent();
    TWaitResult WaitFor(std::uint32_t Timeout = rtl::InfiniteTimeout);

private:
    std::mutex FLock;
    std::condition_variable FChanged;
    bool FManualReset;
    bool FSignaled;
};

// A manual-reset event that starts unsignalled.
class TSimpleEvent : public TEvent
{
    QRV4_CLASS(TSimpleEvent, TEvent)

public:
    TSimpleEvent() : TEvent(true, false) {}
};

// A critical section: the owning thread may enter again (it counts).
class TCriticalSection : public TSynchroObject
{
    QRV4_CLASS(TCriticalSection, TSynchroObject)

public:
    TCriticalSection() = default;
    void Acquire() override { FSection.lock(); }
    void Release() override { FSection.unlock(); }
    void Enter() { Acquire(); }
    void Leave() { Release(); }
    bool TryEnter() { return FSection.try_lock(); }

private:
    std::recursive_mutex FSection;
};

// Interlocked arithmetic on 32-bit counters; each returns the new value, the
// exchanges the old one.
std::int32_t InterlockedIncrement(std::int32_t volatile *Addend);
std::int32_t InterlockedDecrement(std::int32_t volatile *Addend);
std::int32_t InterlockedExchange(std::int32_t volatile *Target, std::int32_t Value);
std::int32_t InterlockedExchangeAdd(std::int32_t volatile *Addend, std::int32_t Value);
std::int32_t InterlockedCompareExchange(std::int32_t volatile *Destination, std::int32_t Exchange,
                                        std::int32_t Comparand);
