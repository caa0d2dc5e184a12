#include "platform/rtl/SyncObjs.h"

#include <chrono>

TEvent::TEvent(bool ManualReset, bool InitialState)
    : FManualReset(ManualReset), FSignaled(InitialState)
{
}

TEvent::TEvent(const void *, bool ManualReset, bool InitialState, const AnsiString &)
    : TEvent(ManualReset, InitialState)
{
}

void TEvent::SetEvent()
{
    {
        std::lock_guard lock(FLock);
        FSignaled = true;
    }
    if (FManualReset)
        FChanged.notify_all();
    else
        FChanged.notify_one();
}

void TEvent::ResetEvent()
{
    std::lock_guard lock(FLock);
    FSignaled = false;
}

TWaitResult TEvent::WaitFor(std::uint32_t Timeout)
{
    std::unique_lock lock(FLock);
    auto signaled = [&] { return FSignaled; };
    if (Timeout == rtl::InfiniteTimeout)
        FChanged.wait(lock, signaled);
    else if (!FChanged.wait_for(lock, std::chrono::milliseconds(Timeout), signaled))
        return wrTimeout;
    if (!FManualReset) FSignaled = false;
    return wrSignaled;
}

std::int32_t InterlockedIncrement(std::int32_t volatile *Addend)
{
    return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}

std::int32_t InterlockedDecrement(std::int32_t volatile *Addend)
{
    return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}

std::int32_t InterlockedExchange(std::int32_t volatile *Target, std::int32_t Value)
{
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}

std::int32_t InterlockedExchangeAdd(std::int32_t volatile *Addend, std::int32_t Value)
{
    return __atomic_fetch_add(Addend, Value, __ATOMIC_SEQ_CST);
}

std::int32_t InterlockedCompareExchange(std::int32_t volatile *Destination, std::int32_t Exchange,
                                        std::int32_t Comparand)
{
    __atomic_compare_exchange_n(Destination, &Comparand, Exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return Comparand;
}
