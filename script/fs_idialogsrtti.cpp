#include "script/fs_idialogsrtti.h"

#include "platform/vcl/Dialogs.h"
#include "script/fs_isysrtti.h"

using namespace fs;

namespace
{

// The lists stand as the host library registers them; the list parser trims the names.
const TEnumDef Enums[] = {
    {"TOpenOptions",
     "ofReadOnly, ofOverwritePrompt, ofHideReadOnly,ofNoChangeDir, ofShowHelp, ofNoValidate, "
     "ofAllowMultiSelect,ofExtensionDifferent, ofPathMustExist, ofFileMustExist, "
     "ofCreatePrompt,ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, "
     "ofNoNetworkButton,ofNoLongNames, ofOldStyleDialog, ofNoDereferenceLinks, "
     "ofEnableIncludeNotify,ofEnableSizing",
     true},
    {"TFileEditStyle", "fsEdit, fsComboBox", false},
    {"TColorDialogOptions", "cdFullOpen, cdPreventFullOpen, cdShowHelp,cdSolidColor, cdAnyColor",
     true},
    {"TFontDialogOptions",
     "fdAnsiOnly, fdTrueTypeOnly, fdEffects,fdFixedPitchOnly, fdForceFontExist, fdNoFaceSel, "
     "fdNoOEMFonts,fdNoSimulations, fdNoSizeSel, fdNoStyleSel,  fdNoVectorFonts,fdShowHelp, "
     "fdWysiwyg, fdLimitSize, fdScalableOnly, fdApplyButton",
     true},
    {"TFontDialogDevice", "fdScreen, fdPrinter, fdBoth", false},
    {"TPrintRange", "prAllPages, prSelection, prPageNums", false},
    {"TPrintDialogOptions",
     "poPrintToFile, poPageNums, poSelection,poWarning, poHelp, poDisablePrintToFile", true},
    {"TMsgDlgType", "mtWarning, mtError, mtInformation, mtConfirmation, mtCustom", false},
    {"TMsgDlgButtons",
     "mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, "
     "mbHelp",
     true},
};

struct TFunction {
    const char *Syntax;
    Variant (*Call)(TfsMethodHelper &C);
};

Variant MessageDialog(TfsMethodHelper &C)
{
    int Type = Int(C, 1);
    if (Type < mtWarning || Type > mtCustom)
        throw ERangeError("Message dialog type out of range: " + AnsiString(Type));
    auto Buttons = TMsgDlgButtons::FromInt(static_cast<std::uint32_t>(Int(C, 2)) & 0xFFFF);
    return Variant(MessageDlg(Str(C, 0), static_cast<TMsgDlgType>(Type), Buttons, Int(C, 3)));
}

Variant InputQueryOf(TfsMethodHelper &C)
{
    AnsiString Value = Str(C, 2);
    bool Confirmed = InputQuery(Str(C, 0), Str(C, 1), Value);
    C.SetVParam(2, Variant(Value));
    return Variant(Confirmed);
}

const TFunction Functions[] = {
    {"function MessageDlg(Msg: string; DlgType: TMsgDlgType; Buttons: TMsgDlgButtons; "
     "HelpCtx: Longint): Integer",
     MessageDialog},
    {"function InputBox(ACaption, APrompt, ADefault: string): string",
     [](TfsMethodHelper &C) { return Variant(InputBox(Str(C, 0), Str(C, 1), Str(C, 2))); }},
    {"function InputQuery(ACaption, APrompt: string; var Value: string): Boolean", InputQueryOf},
};

} // namespace

TfsDialogsFunctions::TfsDialogsFunctions(TfsScript *AScript) : TfsRTTIModule(AScript)
{
    AddEnums(AScript, Enums);
    AddMembers(AScript->AddClass(TCommonDialog::StaticClass(), "TComponent"),
               {{"function Execute: Boolean", [](TObject *Instance, TfsMethodHelper &) {
                     return Variant(static_cast<TCommonDialog *>(Instance)->Execute());
                 }}});
    for (TClass Class : {TOpenDialog::StaticClass(), TSaveDialog::StaticClass(),
                         TColorDialog::StaticClass(), TFontDialog::StaticClass(),
                         TPrintDialog::StaticClass(), TPrinterSetupDialog::StaticClass()})
        AScript->AddClass(Class, "TCommonDialog");
    for (const TFunction &Function : Functions) {
        auto Call = Function.Call;
        AScript->AddMethod(
            Function.Syntax,
            [Call](TObject *, TClass, const AnsiString &, TfsMethodHelper *Caller) {
                return Call(*Caller);
            },
            "ctOther");
    }
}
