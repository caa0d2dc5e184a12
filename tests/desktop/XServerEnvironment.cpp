#include "tests/desktop/XServerEnvironment.h"

#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

// The X client libraries keep allocations until exit.
extern "C" const char *__asan_default_options()
{
    return "detect_leaks=0";
}

namespace desktop
{
namespace
{

DesktopSession *Server = nullptr;

// The application is made on the server by the first test.
class XServerEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        FSession = std::make_unique<DesktopSession>();
        if (!FSession->Ready()) return;
        setenv("DISPLAY", FSession->Display().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        Server = FSession.get();
    }
    void TearDown() override
    {
        // The application lets go of the display before the server goes.
        DoneApplication();
        Server = nullptr;
        FSession.reset();
    }

private:
    std::unique_ptr<DesktopSession> FSession;
};

[[maybe_unused]] testing::Environment *const Registered =
    testing::AddGlobalTestEnvironment(new XServerEnvironment);

} // namespace

DesktopSession *XServer()
{
    return Server;
}

void Xdotool(const std::string &Arguments)
{
    if (Server) Server->Run("xdotool " + Arguments);
}

} // namespace desktop
