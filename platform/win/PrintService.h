#pragma once
// Questions to the print service (the printer list, the default printer, what a queue
// offers) go through Qt's printer classes into CUPS, whose own limits do not bound them: a
// scheduler that accepts the connection and never answers holds the asking thread some two
// minutes per question, and with the GUI thread every window. So each question runs on a
// thread of its own and the caller waits for it only so long. Internal to the platform layer.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

namespace win
{

// How long a caller waits for the print service to answer one question.
inline constexpr std::chrono::seconds PrintServicePatience{10};

// What a question on its own thread may tell its caller, and learn of it.
class PrintErrand
{
public:
    // The service still answers a long question (a job's document going out piece by piece):
    // the caller's wait starts over.
    virtual void StillAnswering() = 0;
    // The caller no longer waits: what the question leaves at the service is its own to undo.
    virtual bool GivenUp() = 0;

protected:
    ~PrintErrand() = default;
};

// Runs Question on a thread of its own and waits until it is done, at most
// PrintServicePatience since the service last answered, painting the caller's windows and
// handling the messages sent to them meanwhile, the pointer showing the wait; input waits in the
// queue for the caller's own loop. False when the question did not come back in time. While such a
// question still hangs, the service is taken as silent: later ones fail at once instead of each
// keeping the caller waiting. While a box to cancel the print is set (SetPrintCancelWindow), its
// input is handled too, and CancelPrintWait ends the wait at once, the question given up as if the
// service had kept silent.
bool AskInTime(std::function<void(PrintErrand &)> Question);

// How a wait that the user may cancel ended.
enum class WaitEnd { Answered, Silent, Cancelled };
// AskInTime, telling whether the service kept silent or the user cancelled the wait.
WaitEnd AskCancellably(std::function<void(PrintErrand &)> Question);

// Question's answer, or none when the print service did not give it in time. Question
// runs on another thread and may outlive the call: it must own what it uses.
template <class TQuestion>
auto AskPrintService(TQuestion Question) -> std::optional<std::invoke_result_t<TQuestion &>>
{
    using TAnswer = std::invoke_result_t<TQuestion &>;
    auto Answer = std::make_shared<std::optional<TAnswer>>();
    if (!AskInTime([Answer, Question = std::move(Question)](PrintErrand &) mutable {
            *Answer = Question();
        }))
        return std::nullopt;
    return std::move(*Answer);
}

} // namespace win
