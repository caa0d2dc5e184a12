#pragma once
// Mouse input handed to the window system's queue one record at a time, each once the one
// before it is handled. The queue merges waiting moves into the last one; fed like this, a
// loop that holds the mouse sees every move, as it would from a hand.

#include "platform/win/MessageQueue.h"

#include <functional>
#include <vector>

namespace vcltest
{

// Runs Work whenever the thread's loop has nothing else to do, for as long as it lives. A
// ticking window keeps a loop that waits for messages coming back to it.
class IdleTicker
{
public:
    explicit IdleTicker(std::function<void()> Work);
    ~IdleTicker();
    IdleTicker(const IdleTicker &) = delete;
    IdleTicker &operator=(const IdleTicker &) = delete;

private:
    HWND FTicker{};
};

class InputFeed
{
public:
    explicit InputFeed(std::vector<win::MouseInput> Records) : FRecords(std::move(Records)) {}

    // Handles messages until every record is fed and handled, or about two seconds pass.
    void Run();

private:
    void Idle();
    std::vector<win::MouseInput> FRecords;
    std::size_t FNext = 0;
    IdleTicker FTicker{[this] { Idle(); }};
};

// A move, or an action of the left button, at a screen point.
win::MouseInput LeftButtonInput(win::MouseAction Action, POINT P);
// Press at From, move to To in Steps equal steps, let go at To: fed and handled.
void FeedDrag(POINT From, POINT To, int Steps = 4);

} // namespace vcltest
