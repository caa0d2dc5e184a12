// Members of an automation object that a script reaches by name: what Invoke is handed
// for calls, property reads and writes, chains, and how its failures reach the script.

#include "script/fs_ievents.h"
#include "tests/script/ScriptRun.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace scriptrun;

namespace
{

// A program's own automation object: it answers a few names and keeps what each call got.
class TRecordingServer : public TObject, public IDispatch
{
    QRV4_CLASS(TRecordingServer, TObject)

public:
    struct TCall {
        DISPID Id;
        WORD Flags;
        std::vector<AnsiString> Args;
        std::vector<DISPID> Named;
        bool WantsResult;
        LCID Locale;
    };
    enum : DISPID { idAdd = 1, idCaption, idFail, idChild };

    std::vector<TCall> Calls;
    LCID NamesLocale = 0;

    HRESULT QueryInterface(REFIID Riid, void **Object) override
    {
        if (Riid != IID_IUnknown && Riid != IID_IDispatch) return E_NOINTERFACE;
        *Object = static_cast<IDispatch *>(this);
        return S_OK;
    }
    ULONG AddRef() override { return 1; } // the test owns it
    ULONG Release() override { return 1; }

    HRESULT GetIDsOfNames(REFIID, LPOLESTR *Names, UINT Count, LCID Locale, DISPID *Ids) override
    {
        static const std::map<std::string, DISPID> Known = {
            {"ADD", idAdd}, {"CAPTION", idCaption}, {"FAIL", idFail}, {"CHILD", idChild}};
        NamesLocale = Locale;
        if (Count != 1) return E_FAIL;
        auto It = Known.find(AnsiString(WideString(Names[0])).UpperCase().ToStd());
        if (It == Known.end()) return DISP_E_UNKNOWNNAME;
        *Ids = It->second;
        return S_OK;
    }

    HRESULT Invoke(DISPID Id, REFIID, LCID Locale, WORD Flags, DISPPARAMS *Params, VARIANT *Result,
                   EXCEPINFO *Info, UINT *) override
    {
        TCall Call{Id, Flags, {}, {}, Result != nullptr, Locale};
        for (UINT I = 0; I < Params->cArgs; ++I)
            Call.Args.push_back(VarToStr(Params->rgvarg[I]));
        for (UINT I = 0; I < Params->cNamedArgs; ++I)
            Call.Named.push_back(Params->rgdispidNamedArgs[I]);
        Calls.push_back(Call);
        if (Id == idFail) {
            Info->bstrSource = WideString(AnsiString("Test.Server"));
            Info->bstrDescription = WideString(AnsiString("Disk full"));
            return DISP_E_EXCEPTION;
        }
        if (!Result) return S_OK;
        if (Id == idChild) {
            *Result = fsObjectToVariant(this);
        } else {
            Variant Sum(0);
            for (UINT I = 0; I < Params->cArgs; ++I)
                Sum = Sum + Params->rgvarg[I];
            *Result = Sum;
        }
        return S_OK;
    }
};

std::unique_ptr<TfsScript> WithServer(TRecordingServer &Server,
                                      std::initializer_list<const char *> Lines)
{
    auto Script = Make("PascalScript", Lines);
    Script->AddVariable("Server", "Variant", fsObjectToVariant(&Server));
    return Script;
}

using TArgs = std::vector<AnsiString>;

} // namespace

TEST(ScriptAutomation, MethodCallPassesTheArgumentsLastFirst)
{
    TRecordingServer Server;
    auto Script = WithServer(Server, {"var r: Variant;", "begin r := Server.Add(1, 2, 4); end."});
    Exec(*Script);
    ASSERT_EQ(Server.Calls.size(), 1u);
    const TRecordingServer::TCall &Call = Server.Calls[0];
    EXPECT_EQ(Call.Id, TRecordingServer::idAdd);
    EXPECT_EQ(Call.Args, (TArgs{"4", "2", "1"}));
    EXPECT_TRUE(Call.Named.empty());
    // A read may name a method or a property without arguments.
    EXPECT_EQ(Call.Flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    EXPECT_TRUE(Call.WantsResult);
    EXPECT_EQ(Call.Locale, GetThreadLocale());
    EXPECT_EQ(Server.NamesLocale, GetThreadLocale());
    EXPECT_EQ(Text(*Script, "r"), "7");
}

TEST(ScriptAutomation, PropertyPutPassesTheValueAsTheNamedArgumentAndAsksNoResult)
{
    TRecordingServer Server;
    auto Script = WithServer(Server, {"begin Server.Caption := 'Ready'; end."});
    Exec(*Script);
    ASSERT_EQ(Server.Calls.size(), 1u);
    const TRecordingServer::TCall &Call = Server.Calls[0];
    EXPECT_EQ(Call.Id, TRecordingServer::idCaption);
    EXPECT_EQ(Call.Flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(Call.Args, (TArgs{"Ready"}));
    EXPECT_EQ(Call.Named, (std::vector<DISPID>{DISPID_PROPERTYPUT}));
    EXPECT_FALSE(Call.WantsResult);
}

TEST(ScriptAutomation, CallStatementAsksNoResult)
{
    TRecordingServer Server;
    auto Script = WithServer(Server, {"begin Server.Add(5); end."});
    Exec(*Script);
    ASSERT_EQ(Server.Calls.size(), 1u);
    EXPECT_EQ(Server.Calls[0].Flags, DISPATCH_METHOD);
    EXPECT_FALSE(Server.Calls[0].WantsResult);
    EXPECT_EQ(Server.Calls[0].Args, (TArgs{"5"}));
}

TEST(ScriptAutomation, ChainsAndVariablesAssignedAtRunTimeReachTheObject)
{
    TRecordingServer Server;
    auto Script = WithServer(
        Server, {"var v, r: Variant;", "begin v := Server; r := v.Child.Add(3, 4); end."});
    Exec(*Script);
    ASSERT_EQ(Server.Calls.size(), 2u);
    EXPECT_EQ(Server.Calls[0].Id, TRecordingServer::idChild);
    EXPECT_TRUE(Server.Calls[0].Args.empty());
    EXPECT_EQ(Server.Calls[1].Id, TRecordingServer::idAdd);
    EXPECT_EQ(Server.Calls[1].Args, (TArgs{"4", "3"}));
    EXPECT_EQ(Text(*Script, "r"), "7");
}

TEST(ScriptAutomation, FailuresBecomeOleErrorsTheScriptCanCatch)
{
    TRecordingServer Server;
    auto Failing = WithServer(Server, {"begin Server.Fail(1); end."});
    EXPECT_EQ(RunError(*Failing), "OLE error:80020009: Fail\r\nSource        ::  Test.Server"
                                  "\r\nDescription ::  Disk full");

    auto Unknown = WithServer(Server, {"var r: Variant; begin r := Server.Nope; end."});
    EXPECT_EQ(RunError(*Unknown), "OLE error:80020006: Nope");

    auto Caught = WithServer(Server, {"var s: String;",
                                      "begin s := 'a'; try Server.Fail; except s := 'caught'; "
                                      "end; end."});
    Exec(*Caught);
    EXPECT_EQ(Text(*Caught, "s"), "caught");
}

TEST(ScriptAutomation, ABoundMemberOfAValueThatIsNoLongerAnObjectIsACastError)
{
    TRecordingServer Server;
    auto Script = WithServer(Server, {"var v, r: Variant; i: Integer;", "begin v := Server;",
                                      "for i := 1 to 2 do begin r := v.Add(i); v := 5; end; end."});
    EXPECT_EQ(RunError(*Script),
              "Could not convert variant of type (Integer) into type (Dispatch)");
    EXPECT_EQ(Server.Calls.size(), 1u);
}
