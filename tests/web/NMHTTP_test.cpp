// The HTTP client against a real server on the loopback address: bodies into
// files, the events, redirects, and every way a transfer can fail.

#include "platform/web/NMHTTP.h"

#include "platform/vcl/ExtCtrls.h"
#include "tests/vcl/VclTestSupport.h"
#include "tests/web/LoopbackHttpServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

using webtest::LoopbackHttpServer;
using webtest::Reply;
namespace fs = std::filesystem;

namespace
{

class HttpTest : public vcltest::VclTest
{
protected:
    void SetUp() override
    {
        VclTest::SetUp();
        FFolder = fs::temp_directory_path() /
                  ("qrv4_http_" + std::to_string(getpid()) + "_" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(FFolder);
        fs::create_directories(FFolder);
        FPrevious = fs::current_path();
        fs::current_path(FFolder);
        Http = std::make_unique<TNMHTTP>(nullptr);
        Http->OnConnect = [this](TObject *) { ++Connects; };
        Http->OnPacketRecvd = [this](TObject *) {
            Received.push_back(Http->BytesRecvd());
            Total = Http->BytesTotal();
        };
        Http->OnFailure = [this](TObject *, int Cmd) { Failures.push_back(Cmd); };
    }

    void TearDown() override
    {
        Http.reset();
        fs::current_path(FPrevious);
        fs::remove_all(FFolder);
        VclTest::TearDown();
    }

    // Gets Path into the file "got.bin"; whether the get returned normally.
    bool GetToFile(const std::string &Path)
    {
        Http->SetInputFileMode(true);
        Http->SetBody("got.bin");
        try {
            Http->Get(AnsiString(Server.Url(Path)));
            return true;
        } catch (const EHTTPError &) {
            return false;
        }
    }

    // Gets Url into the file "got.bin" and gives the message the get failed with. Should the
    // get wait for ever, a timer ends it, and the test fails instead of hanging.
    AnsiString FailureOfGet(const std::string &Url)
    {
        TTimer rescue(nullptr);
        rescue.SetInterval(20000);
        bool rescued = false;
        rescue.OnTimer = [&](TObject *) {
            rescued = true;
            Http->Cancel();
        };
        rescue.SetEnabled(true);
        Http->SetInputFileMode(true);
        Http->SetBody("got.bin");
        AnsiString why;
        try {
            Http->Get(AnsiString(Url));
        } catch (const EHTTPError &E) {
            why = E.Message();
        }
        rescue.SetEnabled(false);
        EXPECT_FALSE(rescued);
        return why;
    }

    std::string FileText(const std::string &Name) const
    {
        std::ifstream in(FFolder / Name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Every file in the folder, so a stray temporary shows up too.
    std::vector<std::string> Files(const std::string &Sub = {}) const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(FFolder / Sub))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    const fs::path &Folder() const { return FFolder; }

    static std::string Pattern(std::size_t Size)
    {
        std::string text(Size, '\0');
        for (std::size_t i = 0; i < Size; ++i)
            text[i] = static_cast<char>(i * 7 + i / 251);
        return text;
    }

    LoopbackHttpServer Server;
    std::unique_ptr<TNMHTTP> Http;
    int Connects = 0;
    std::vector<long long> Received;
    long long Total = -1;
    std::vector<int> Failures;

private:
    fs::path FFolder;
    fs::path FPrevious;
};

} // namespace

// ---- success ----

TEST_F(HttpTest, BodyGoesIntoTheNamedFileWithConnectAndProgress)
{
    const std::string body = Pattern(50000);
    Server.Serve("/files/a.qrv", {200, body});
    ASSERT_TRUE(GetToFile("/files/a.qrv"));
    EXPECT_EQ(FileText("got.bin"), body);
    EXPECT_EQ(Files(), std::vector<std::string>{"got.bin"});
    EXPECT_EQ(Connects, 1);
    ASSERT_FALSE(Received.empty());
    EXPECT_EQ(Received.back(), 50000);
    EXPECT_EQ(Total, 50000);
    EXPECT_TRUE(Failures.empty());
    EXPECT_FALSE(Http->Busy());
}

TEST_F(HttpTest, WithoutFileModeTheBodyHoldsTheText)
{
    Server.Serve("/list.txt", {200, "fonts.qrv firmware.qrv 40"});
    Http->Get(AnsiString(Server.Url("/list.txt")));
    EXPECT_EQ(Http->Body(), "fonts.qrv firmware.qrv 40");
    EXPECT_TRUE(Files().empty());
}

TEST_F(HttpTest, RedirectIsFollowed)
{
    Server.Serve("/old", {302, "moved", Server.Url("/new")});
    Server.Serve("/new", {200, "here"});
    ASSERT_TRUE(GetToFile("/old"));
    EXPECT_EQ(FileText("got.bin"), "here");
    EXPECT_EQ(Server.Requests(), (std::vector<std::string>{"/old", "/new"}));
}

TEST_F(HttpTest, EmptyBodyMakesAnEmptyFile)
{
    Server.Serve("/empty", {200, ""});
    ASSERT_TRUE(GetToFile("/empty"));
    EXPECT_EQ(Files(), std::vector<std::string>{"got.bin"});
    EXPECT_EQ(FileText("got.bin"), "");
}

// The folder named for the body renamed while the body comes, and another put in its place by
// its name: the body lands in the folder the get started in, and the other keeps what it had.
TEST_F(HttpTest, BodyLandsInTheFolderItStartedInWhenAnotherTakesItsName)
{
    const fs::path work = Folder() / "work", moved = Folder() / "moved";
    fs::create_directory(work);
    fs::create_directory(Folder() / "other");
    const std::string body = Pattern(50000);
    Server.Serve("/files/a.qrv", {200, body});
    Http->OnPacketRecvd = [&](TObject *) {
        if (fs::exists(moved)) return;
        fs::rename(work, moved);
        fs::create_symlink("other", work);
    };
    Http->SetInputFileMode(true);
    Http->SetBody(rtl::FromSystemPath((work / "got.bin").string()));
    EXPECT_NO_THROW(Http->Get(AnsiString(Server.Url("/files/a.qrv"))));
    EXPECT_TRUE(FileText("moved/got.bin") == body) << "the body whole where the get started";
    EXPECT_EQ(Files("moved"), std::vector<std::string>{"got.bin"});
    EXPECT_TRUE(Files("other").empty());
}

// ---- failures: an exception, the failure event, and no file under the name ----

TEST_F(HttpTest, MissingFileIsAFailureOfCodeZero)
{
    EXPECT_FALSE(GetToFile("/nothing-here"));
    EXPECT_EQ(Failures, std::vector<int>{FailureNotFound});
    EXPECT_TRUE(Files().empty());
}

TEST_F(HttpTest, ServerErrorLeavesAnEarlierFileAsItWas)
{
    std::ofstream("got.bin") << "earlier";
    Server.Serve("/broken", {500, "Internal error page"});
    EXPECT_FALSE(GetToFile("/broken"));
    EXPECT_EQ(Failures, std::vector<int>{FailureOther});
    EXPECT_EQ(FileText("got.bin"), "earlier");
    EXPECT_EQ(Files(), std::vector<std::string>{"got.bin"});
}

TEST_F(HttpTest, NetworkModuleThatCannotBeOpenedFailsTheGetSayingWhy)
{
    Server.Serve("/list.txt", {200, "fonts.qrv firmware.qrv 40"});
    TNMHTTP::SetNetworkModule("/nowhere/libqrv4_http.so");
    std::string why;
    const bool got = GetToFile("/list.txt");
    try {
        Http->Get(AnsiString(Server.Url("/list.txt")));
    } catch (const EHTTPError &E) {
        why = E.Message().ToUtf8();
    }
    const std::string missing = TNMHTTP::ModuleMissing().ToUtf8();
    TNMHTTP::SetNetworkModule("");
    EXPECT_FALSE(got);
    EXPECT_NE(why.find("модуль сети"), std::string::npos) << why;
    EXPECT_NE(why.find("/nowhere/libqrv4_http.so"), std::string::npos) << why;
    EXPECT_EQ(missing, why);
    EXPECT_TRUE(Server.Requests().empty());
    EXPECT_TRUE(Failures.empty());
    EXPECT_TRUE(Files().empty());
    EXPECT_FALSE(Http->Busy());
    // The module found again, the client goes on as before.
    ASSERT_TRUE(GetToFile("/list.txt"));
    EXPECT_EQ(FileText("got.bin"), "fonts.qrv firmware.qrv 40");
    EXPECT_TRUE(TNMHTTP::ModuleMissing().IsEmpty());
}

TEST_F(HttpTest, RefusedConnectionFailsWithoutAFile)
{
    Http->SetInputFileMode(true);
    Http->SetBody("got.bin");
    EXPECT_THROW(Http->Get(AnsiString(LoopbackHttpServer::RefusingUrl() + "x")), EHTTPError);
    EXPECT_EQ(Failures, std::vector<int>{FailureOther});
    EXPECT_EQ(Connects, 0);
    EXPECT_TRUE(Files().empty());
}

TEST_F(HttpTest, TransferCutInTheMiddleFailsWithoutAFile)
{
    Reply cut{200, Pattern(40000)};
    cut.CutAfter = 15000;
    Server.Serve("/cut", cut);
    EXPECT_FALSE(GetToFile("/cut"));
    EXPECT_EQ(Failures, std::vector<int>{FailureOther});
    EXPECT_TRUE(Files().empty());
}

TEST_F(HttpTest, CancelFromTheProgressEventStopsASlowTrickle)
{
    Reply slow{200, Pattern(4000)};
    slow.Chunk = 100;
    slow.Pause = std::chrono::milliseconds(100); // four seconds in all
    Server.Serve("/slow", slow);
    Http->OnPacketRecvd = [this](TObject *) { Http->Cancel(); };
    EXPECT_FALSE(GetToFile("/slow"));
    EXPECT_TRUE(Failures.empty()); // a cancel is no failure of the server's
    EXPECT_TRUE(Files().empty());
    EXPECT_FALSE(Http->Busy());
}

TEST_F(HttpTest, WindowMessagesFlowDuringTheGet)
{
    Reply slow{200, Pattern(3000)};
    slow.Chunk = 100;
    slow.Pause = std::chrono::milliseconds(100);
    Server.Serve("/slow", slow);
    // A timer is a window message: when it can stop the transfer, a Stop button can.
    TTimer stop(nullptr);
    stop.SetInterval(300);
    int ticks = 0;
    stop.OnTimer = [&](TObject *) {
        ++ticks;
        Http->Cancel();
    };
    stop.SetEnabled(true);
    EXPECT_FALSE(GetToFile("/slow"));
    stop.SetEnabled(false);
    EXPECT_EQ(ticks, 1);
    EXPECT_TRUE(Files().empty());
}

// ---- a server that never answers ----

TEST_F(HttpTest, SilentServerFailsTheGetAfterTheIdleLimitSayingWhy)
{
    webtest::SilentServer silent;
    Http->SetIdleTimeout(300);
    EXPECT_EQ(FailureOfGet(silent.Url("/123.txt")),
              "Сервер не отвечает дольше "_a + FloatToStr(0.3) + " с"_a);
    EXPECT_EQ(Failures, std::vector<int>{FailureOther});
    EXPECT_TRUE(Files().empty());
    EXPECT_FALSE(Http->Busy());
}

// A byte now and then keeps a connection alive as well as a silent server holds it: the get
// ends as if nothing came.
TEST_F(HttpTest, TricklingServerFailsTheGetAfterTheIdleLimitSayingWhy)
{
    Reply trickle{200, Pattern(4000)};
    trickle.Chunk = 1;
    trickle.Pause = std::chrono::milliseconds(50); // over three minutes in all
    Server.Serve("/trickle", trickle);
    Http->SetIdleTimeout(300);
    EXPECT_EQ(FailureOfGet(Server.Url("/trickle")),
              "Сервер передаёт меньше 512 байт за "_a + FloatToStr(0.3) + " с"_a);
    EXPECT_EQ(Failures, std::vector<int>{FailureOther});
    EXPECT_TRUE(Files().empty());
    EXPECT_FALSE(Http->Busy());
}

TEST_F(HttpTest, StopEndsTheWaitForASilentServerAtOnce)
{
    webtest::SilentServer silent;
    // The limit is the real one: only Stop can end this get in the test's time.
    TTimer stop(nullptr);
    stop.SetInterval(200);
    stop.OnTimer = [&](TObject *) { Http->Cancel(); };
    stop.SetEnabled(true);
    Http->SetInputFileMode(true);
    Http->SetBody("got.bin");
    EXPECT_THROW(Http->Get(AnsiString(silent.Url("/123.txt"))), EHTTPError);
    stop.SetEnabled(false);
    EXPECT_EQ(Http->IdleTimeout(), TNMHTTP::DefaultIdleTimeout);
    EXPECT_TRUE(Failures.empty());
    EXPECT_TRUE(Files().empty());
}

TEST_F(HttpTest, SecondGetWhileOneRunsIsRefused)
{
    Reply slow{200, Pattern(1000)};
    slow.Chunk = 100;
    slow.Pause = std::chrono::milliseconds(50);
    Server.Serve("/slow", slow);
    bool refused = false;
    Http->OnPacketRecvd = [&](TObject *) {
        if (refused) return;
        try {
            Http->Get(AnsiString(Server.Url("/slow")));
        } catch (const EHTTPError &) {
            refused = true;
        }
    };
    EXPECT_TRUE(GetToFile("/slow"));
    EXPECT_TRUE(refused);
    EXPECT_EQ(FileText("got.bin"), Pattern(1000));
}
