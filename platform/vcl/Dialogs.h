#pragma once

// Common dialogs and message boxes. Every one of them goes through one service,
// which the program leaves at its default (our own message form, Qt's
// non-native file, colour and font dialogs) and tests replace with scripted
// replies.

#include "platform/vcl/Forms.h"

#include <deque>
#include <functional>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp
};
using TMsgDlgButtons = Set<TMsgDlgBtn>;
inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

class TCommonDialog : public TComponent
{
    QRV4_CLASS(TCommonDialog, TComponent)

public:
    explicit TCommonDialog(TComponent *AOwner) : TComponent(AOwner) {}
    // True when the user confirmed; the dialog's fields then hold the answer.
    virtual bool Execute();
    const AnsiString &Title() const { return FTitle; }
    void SetTitle(const AnsiString &Value) { FTitle = Value; }

    TNotifyEvent OnShow;
    TNotifyEvent OnClose;

private:
    AnsiString FTitle;
};

QRV4_ENUM(TOpenOption, ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp,
          ofNoValidate, ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist,
          ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton,
          ofNoLongNames, ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify,
          ofEnableSizing, ofDontAddToRecent, ofForceShowHidden)
using TOpenOptions = Set<TOpenOption>;
QRV4_SET_INFO(TOpenOptions, TOpenOption)

class TOpenDialog : public TCommonDialog
{
    QRV4_CLASS(TOpenDialog, TCommonDialog)

public:
    explicit TOpenDialog(TComponent *AOwner);
    ~TOpenDialog() override;

    const AnsiString &FileName() const { return FFileName; }
    void SetFileName(const AnsiString &Value) { FFileName = Value; }
    // "Description|pattern;pattern|Description|pattern"
    const AnsiString &Filter() const { return FFilter; }
    void SetFilter(const AnsiString &Value) { FFilter = Value; }
    // 1-based, as the class library counts filters.
    int FilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(int Value) { FFilterIndex = Value; }
    const AnsiString &InitialDir() const { return FInitialDir; }
    void SetInitialDir(const AnsiString &Value) { FInitialDir = Value; }
    const AnsiString &DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const AnsiString &Value) { FDefaultExt = Value; }
    TOpenOptions Options() const { return FOptions; }
    void SetOptions(TOpenOptions Value) { FOptions = Value; }
    TStrings *Files() const { return FFiles.get(); }
    virtual bool IsSaveDialog() const { return false; }

private:
    AnsiString FFileName;
    AnsiString FFilter;
    int FFilterIndex = 1;
    AnsiString FInitialDir;
    AnsiString FDefaultExt;
    TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
    std::unique_ptr<TStringList> FFiles;
};

class TSaveDialog : public TOpenDialog
{
    QRV4_CLASS(TSaveDialog, TOpenDialog)

public:
    explicit TSaveDialog(TComponent *AOwner) : TOpenDialog(AOwner) {}
    bool IsSaveDialog() const override { return true; }
};

class TColorDialog : public TCommonDialog
{
    QRV4_CLASS(TColorDialog, TCommonDialog)

public:
    explicit TColorDialog(TComponent *AOwner) : TCommonDialog(AOwner) {}
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }

private:
    TColor FColor = clBlack;
};

// Which fonts the dialog offers; on this system the screen's and the printers' are one set.
QRV4_ENUM(TFontDialogDevice, fdScreen, fdPrinter, fdBoth)

class TFontDialog : public TCommonDialog
{
    QRV4_CLASS(TFontDialog, TCommonDialog)

public:
    explicit TFontDialog(TComponent *AOwner);
    ~TFontDialog() override;
    TFont *Font() const { return FFont.get(); }
    void SetFont(TFont *Value) { FFont->Assign(Value); }
    TFontDialogDevice Device() const { return FDevice; }
    void SetDevice(TFontDialogDevice Value) { FDevice = Value; }

private:
    std::unique_ptr<TFont> FFont;
    TFontDialogDevice FDevice = fdScreen;
};

QRV4_ENUM(TPrintRange, prAllPages, prSelection, prPageNums)

class TPrintDialog : public TCommonDialog
{
    QRV4_CLASS(TPrintDialog, TCommonDialog)

public:
    explicit TPrintDialog(TComponent *AOwner) : TCommonDialog(AOwner) {}
    int Copies() const { return FCopies; }
    void SetCopies(int Value) { FCopies = Value; }
    int FromPage() const { return FFromPage; }
    void SetFromPage(int Value) { FFromPage = Value; }
    int ToPage() const { return FToPage; }
    void SetToPage(int Value) { FToPage = Value; }
    int MinPage() const { return FMinPage; }
    void SetMinPage(int Value) { FMinPage = Value; }
    int MaxPage() const { return FMaxPage; }
    void SetMaxPage(int Value) { FMaxPage = Value; }
    TPrintRange PrintRange() const { return FPrintRange; }
    void SetPrintRange(TPrintRange Value) { FPrintRange = Value; }

private:
    int FCopies = 1;
    int FFromPage = 0;
    int FToPage = 0;
    int FMinPage = 0;
    int FMaxPage = 0;
    TPrintRange FPrintRange = prAllPages;
};

class TPrinterSetupDialog : public TCommonDialog
{
    QRV4_CLASS(TPrinterSetupDialog, TCommonDialog)

public:
    explicit TPrinterSetupDialog(TComponent *AOwner) : TCommonDialog(AOwner) {}
};

// Asks for a line of text; Value is written back only when confirmed.
bool InputQuery(const AnsiString &ACaption, const AnsiString &APrompt, AnsiString &Value);
// The text entered, or Default when cancelled.
AnsiString InputBox(const AnsiString &ACaption, const AnsiString &APrompt,
                    const AnsiString &ADefault);

// Runs MessageBox-style text through the service; gives mrOk, mrYes ...
int MessageDlg(const AnsiString &Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
void ShowMessage(const AnsiString &Msg);

namespace vcl
{

struct MessageRequest {
    AnsiString Text;
    AnsiString Caption;
    TMsgDlgType Type = mtCustom;
    TMsgDlgButtons Buttons;
    TMsgDlgBtn DefaultButton = mbOK;
    // The system's message box, whose buttons speak the system's language; the class
    // library's own dialogs keep their resource strings.
    bool SystemBox = false;
};

// The one way in for every dialog of the program.
class DialogProvider
{
public:
    virtual ~DialogProvider() = default;
    // Gives the modal result of the button chosen (mrOk, mrYes ...).
    virtual int Message(const MessageRequest &Request) = 0;
    // Reads the dialog's settings, asks, writes the answer back; true when confirmed.
    virtual bool Execute(TCommonDialog &Dialog) = 0;
    // A line of text; Value holds the proposal and, when confirmed, the answer.
    virtual bool Input(const AnsiString &Caption, const AnsiString &Prompt, AnsiString &Value) = 0;
};

// Our message form and Qt's non-native dialogs, run inside our message loop.
class StandardDialogs : public DialogProvider
{
public:
    int Message(const MessageRequest &Request) override;
    bool Execute(TCommonDialog &Dialog) override;
    bool Input(const AnsiString &Caption, const AnsiString &Prompt, AnsiString &Value) override;
};

// Answers from a script: each dialog takes the next reply, in order, and every
// request is recorded. A dialog with no reply left raises EInvalidOperation.
class ScriptedDialogs : public DialogProvider
{
public:
    using DialogReply = std::function<bool(TCommonDialog &Dialog)>;

    void ReplyMessage(int ModalResult);
    void ReplyDialog(DialogReply Reply);
    // Confirms the next input with Text, or cancels it when Confirm is false.
    void ReplyInput(bool Confirm, const AnsiString &Text);
    // Runs Action while the message box is "open", then answers.
    void ReplyMessageAfter(std::function<void()> Action, int ModalResult);

    int Message(const MessageRequest &Request) override;
    bool Execute(TCommonDialog &Dialog) override;
    bool Input(const AnsiString &Caption, const AnsiString &Prompt, AnsiString &Value) override;

    const std::vector<MessageRequest> &Messages() const { return FMessages; }
    const std::vector<AnsiString> &Prompts() const { return FPrompts; }
    const std::vector<AnsiString> &Dialogs() const { return FDialogs; }
    bool Exhausted() const
    {
        return FMessageReplies.empty() && FDialogReplies.empty() && FInputReplies.empty();
    }

private:
    struct MessageReply {
        std::function<void()> Action;
        int Result;
    };
    std::deque<MessageReply> FMessageReplies;
    std::deque<DialogReply> FDialogReplies;
    std::deque<std::pair<bool, AnsiString>> FInputReplies;
    std::vector<AnsiString> FPrompts;
    std::vector<MessageRequest> FMessages;
    std::vector<AnsiString> FDialogs;
};

// A box that Qt opens inside one of its dialogs (the file dialog's question before it
// replaces a file) runs a loop of Qt's own, where the program's messages wait until it is
// answered: the session's end closes such boxes unanswered, as their No.
void CloseQtBoxes();

DialogProvider &DialogService();
// Null puts the standard dialogs back; gives the provider that was in place.
DialogProvider *SetDialogService(DialogProvider *Provider);

// A message box's flags as the class library's dialog request, and its result back.
MessageRequest MessageBoxRequest(const AnsiString &Text, const AnsiString &Caption, UINT Flags);

} // namespace vcl
