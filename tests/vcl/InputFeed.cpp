#include "tests/vcl/InputFeed.h"

#include "platform/vcl/Forms.h"
#include "tests/vcl/VclTestSupport.h"

namespace vcltest
{

IdleTicker::IdleTicker(std::function<void()> Work)
{
    FTicker = AllocateHWnd([](TMessage &) {});
    SetTimer(FTicker, 1, 5, nullptr);
    win::SetIdleWork(std::move(Work));
}

IdleTicker::~IdleTicker()
{
    win::SetIdleWork(nullptr);
    KillTimer(FTicker, 1);
    DeallocateHWnd(FTicker);
}

void InputFeed::Run()
{
    for (int Round = 0; Round < 400 && FNext < FRecords.size(); ++Round)
        PumpFor(5);
    Pump();
}

void InputFeed::Idle()
{
    if (FNext >= FRecords.size()) return;
    if (HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT)) != 0) return;
    win::InjectMouseInput(FRecords[FNext++]);
}

win::MouseInput LeftButtonInput(win::MouseAction Action, POINT P)
{
    return win::MouseInput{
        Action, Action == win::MouseAction::Move ? win::MouseButton::None : win::MouseButton::Left,
        P};
}

void FeedDrag(POINT From, POINT To, int Steps)
{
    std::vector<win::MouseInput> Records{LeftButtonInput(win::MouseAction::Move, From),
                                         LeftButtonInput(win::MouseAction::Down, From)};
    for (int Step = 1; Step <= Steps; ++Step)
        Records.push_back(LeftButtonInput(win::MouseAction::Move,
                                          POINT{From.x + (To.x - From.x) * Step / Steps,
                                                From.y + (To.y - From.y) * Step / Steps}));
    Records.push_back(LeftButtonInput(win::MouseAction::Up, To));
    InputFeed(std::move(Records)).Run();
}

} // namespace vcltest
