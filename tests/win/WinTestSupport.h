#pragma once
// Shared setup of the Win32 layer's tests: one QApplication for the process
// (headless unless a display is chosen) and a recording window class.

#include "platform/win/MessageQueue.h"
#include "platform/win/Paint.h"
#include "platform/win/Rect.h"
#include "platform/win/SysParams.h"
#include "platform/win/WinGdi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace wintest
{

// Messages a window received, in order.
struct Received {
    HWND Wnd;
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
};

std::vector<Received> &Log();
void ClearLog();
// Messages of one number in the log.
std::vector<Received> Find(UINT Msg);

// A window class whose procedure logs every message and otherwise does what
// DefWindowProc does; LRESULT answers for WM_NCHITTEST can be set per window.
const char16_t *RecordingClass();
void SetHitAnswer(HWND Wnd, LRESULT Hit);

HWND MakeWindow(DWORD Style, DWORD ExStyle, int X, int Y, int W, int H, HWND Parent = {});

// Drains the queue: takes and dispatches everything until it is empty.
void Pump();

// A test that starts with an empty log and destroys the windows it kept when it ends.
class WindowTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    HWND Keep(HWND Wnd)
    {
        Made.push_back(Wnd);
        return Wnd;
    }
    std::vector<HWND> Made;
};

} // namespace wintest
