#include "script/fs_ievents.h"

#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <cstdint>

void TfsNotifyEvent::DoEvent(TObject *Sender)
{
    CallHandler({fsObjectToVariant(Sender)});
}

void TfsKeyPressEvent::DoEvent(TObject *Sender, char &Key)
{
    CallHandler({fsObjectToVariant(Sender), Variant(AnsiString(Key))});
    // An emptied text leaves the key as it was.
    AnsiString Text = fsVarToStr(Param(1));
    if (!Text.IsEmpty()) Key = Text[1];
}

void TfsCloseQueryEvent::DoEvent(TObject *Sender, bool &CanClose)
{
    CallHandler({fsObjectToVariant(Sender), Variant(CanClose)});
    CanClose = fsVarToBool(Param(1));
}

void TfsCanResizeEvent::DoEvent(TObject *Sender, int &NewWidth, int &NewHeight, bool &Resize)
{
    CallHandler(
        {fsObjectToVariant(Sender), Variant(NewWidth), Variant(NewHeight), Variant(Resize)});
    NewWidth = fsVarToInt(Param(1));
    NewHeight = fsVarToInt(Param(2));
    Resize = fsVarToBool(Param(3));
}

// ---------------------------------------------------------------- automation

namespace
{

AnsiString OleErrorText(HRESULT Code, const AnsiString &Member, const EXCEPINFO &Info)
{
    AnsiString Text = "OLE error:" + IntToHex(static_cast<std::uint32_t>(Code), 8) + ": " + Member;
    if (!Info.bstrSource.IsEmpty()) Text += "\r\nSource        ::  " + AnsiString(Info.bstrSource);
    if (!Info.bstrDescription.IsEmpty())
        Text += "\r\nDescription ::  " + AnsiString(Info.bstrDescription);
    if (!Info.bstrHelpFile.IsEmpty())
        Text += "\r\nHelp File     ::  " + AnsiString(Info.bstrHelpFile);
    return Text;
}

void CheckOle(HRESULT Code, const AnsiString &Member, const EXCEPINFO &Info)
{
    if (Code < 0) throw Exception(OleErrorText(Code, Member, Info));
}

} // namespace

IDispatch *fsDispatchOf(const Variant &Value)
{
    return fsIsObject(Value) ? dynamic_cast<IDispatch *>(fsVariantToObject(Value)) : nullptr;
}

TfsOLEHelper::TfsOLEHelper(const AnsiString &AName) : TfsCustomHelper(AName, fvtVariant, "") {}

void TfsOLEHelper::AddArgument()
{
    AddParam(std::make_unique<TfsParamItem>("", fvtVariant, "", false, false));
}

std::vector<Variant> TfsOLEHelper::ParamValues() const
{
    std::vector<Variant> Values;
    for (int I = 0; I < Count(); ++I)
        Values.push_back(Params(I)->GetValue());
    return Values;
}

Variant TfsOLEHelper::GetValue()
{
    return DispatchInvoke(ParamValues(), DISPATCH_METHOD);
}

void TfsOLEHelper::SetValue(const Variant &AValue)
{
    std::vector<Variant> Params = ParamValues();
    Params.push_back(AValue);
    DispatchInvoke(std::move(Params), DISPATCH_PROPERTYPUT);
}

Variant TfsOLEHelper::DispatchInvoke(std::vector<Variant> Params, WORD Flags)
{
    IDispatch *Dispatch = fsDispatchOf(ParentValue);
    if (!Dispatch)
        throw EVariantTypeCastError("Could not convert variant of type (" +
                                    VarTypeAsText(VarType(ParentValue)) + ") into type (Dispatch)");
    LCID Locale = GetThreadLocale();
    WideString Member(Name());
    std::u16string Text(Member.c_bstr());
    LPOLESTR Names[] = {Text.data()};
    DISPID Id = DISPID_UNKNOWN;
    EXCEPINFO Info;
    CheckOle(Dispatch->GetIDsOfNames(IID_NULL, Names, 1, Locale, &Id), Name(), Info);

    // Invoke takes the arguments last first; a new property value is the named argument.
    std::reverse(Params.begin(), Params.end());
    bool Put = Flags == DISPATCH_PROPERTYPUT;
    DISPID PutId = DISPID_PROPERTYPUT;
    DISPPARAMS Args{Params.data(), Put ? &PutId : nullptr, static_cast<UINT>(Params.size()),
                    Put ? 1u : 0u};
    // A member that is read may be a method or a property without arguments.
    bool WantResult = NeedResult && !Put;
    if (WantResult) Flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    Variant Result;
    UINT ArgErr = 0;
    CheckOle(Dispatch->Invoke(Id, IID_NULL, Locale, Flags, &Args, WantResult ? &Result : nullptr,
                              &Info, &ArgErr),
             Name(), Info);
    return Result;
}
