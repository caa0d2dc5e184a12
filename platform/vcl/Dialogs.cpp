#include "platform/vcl/Dialogs.h"

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Printers.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/PrintService.h"
#include "platform/win/QtText.h"
#include "platform/win/WinSpool.h"
#include "platform/win/WindowWidget.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTreeView>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// ---- Common dialogs -------------------------------------------------------------------------

bool TCommonDialog::Execute()
{
    if (OnShow) OnShow(this);
    const bool result = vcl::DialogService().Execute(*this);
    if (OnClose) OnClose(this);
    return result;
}

TOpenDialog::TOpenDialog(TComponent *AOwner)
    : TCommonDialog(AOwner), FFiles(std::make_unique<TStringList>())
{
}

TOpenDialog::~TOpenDialog() = default;

TFontDialog::TFontDialog(TComponent *AOwner)
    : TCommonDialog(AOwner), FFont(std::make_unique<TFont>())
{
}

TFontDialog::~TFontDialog() = default;

// ---- Message boxes --------------------------------------------------------------------------

namespace
{

constexpr const char *ButtonCaptions[] = {"&Yes",       "&No",         "OK",      "Cancel",
                                          "&Abort",     "&Retry",      "&Ignore", "&All",
                                          "N&o to All", "Yes to &All", "&Help"};
// The Russian system's message box buttons; it has no "all" buttons.
AnsiString SystemButtonCaption(int Button)
{
    static const AnsiString Captions[] = {"&Да"_a,
                                          "&Нет"_a,
                                          "ОК"_a,
                                          "Отмена"_a,
                                          "&Прервать"_a,
                                          "&Повторить"_a,
                                          "&Пропустить"_a,
                                          ButtonCaptions[mbAll],
                                          ButtonCaptions[mbNoToAll],
                                          ButtonCaptions[mbYesToAll],
                                          "Справка"_a};
    return Captions[Button];
}
constexpr TModalResult ButtonResults[] = {mrYes,    mrNo,  mrOk,      mrCancel,   mrAbort, mrRetry,
                                          mrIgnore, mrAll, mrNoToAll, mrYesToAll, mrNone};
constexpr const char *TypeCaptions[] = {"Warning", "Error", "Information", "Confirm"};
const LPCWSTR TypeIcons[] = {IDI_EXCLAMATION, IDI_HAND, IDI_ASTERISK, IDI_QUESTION};

vcl::StandardDialogs &Standard()
{
    static vcl::StandardDialogs standard;
    return standard;
}

vcl::DialogProvider *&Current()
{
    static vcl::DialogProvider *current = nullptr;
    return current;
}

} // namespace

namespace vcl
{

DialogProvider &DialogService()
{
    return Current() ? *Current() : Standard();
}

DialogProvider *SetDialogService(DialogProvider *Provider)
{
    DialogProvider *previous = &DialogService();
    Current() = Provider;
    return previous == &Standard() ? nullptr : previous;
}

MessageRequest MessageBoxRequest(const AnsiString &Text, const AnsiString &Caption, UINT Flags)
{
    MessageRequest request;
    request.Text = Text;
    request.Caption = Caption;
    request.SystemBox = true;
    switch (Flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
        request.Buttons = {mbOK, mbCancel};
        break;
    case MB_ABORTRETRYIGNORE:
        request.Buttons = {mbAbort, mbRetry, mbIgnore};
        break;
    case MB_YESNOCANCEL:
        request.Buttons = {mbYes, mbNo, mbCancel};
        break;
    case MB_YESNO:
        request.Buttons = {mbYes, mbNo};
        break;
    case MB_RETRYCANCEL:
        request.Buttons = {mbRetry, mbCancel};
        break;
    default:
        request.Buttons = {mbOK};
        break;
    }
    switch (Flags & MB_ICONMASK) {
    case MB_ICONHAND:
        request.Type = mtError;
        break;
    case MB_ICONQUESTION:
        request.Type = mtConfirmation;
        break;
    case MB_ICONEXCLAMATION:
        request.Type = mtWarning;
        break;
    case MB_ICONASTERISK:
        request.Type = mtInformation;
        break;
    default:
        request.Type = mtCustom;
        break;
    }
    // The default button counts among the buttons shown, in their order.
    const int wanted = static_cast<int>((Flags & MB_DEFMASK) >> 8);
    int n = 0;
    for (int b = mbYes; b <= mbHelp; ++b) {
        if (!request.Buttons.Contains(TMsgDlgBtn(b))) continue;
        if (n == 0 || n == wanted) request.DefaultButton = TMsgDlgBtn(b);
        ++n;
    }
    return request;
}

namespace
{

constexpr int Margin = 16;
constexpr int IconTop = 16;
constexpr int IconSize = 32;
constexpr int TextLeftOfIcon = Margin + IconSize + 16;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int ButtonGap = 8;
constexpr int TextToButtons = 20;

// The system icon of the box's kind at the left, the text beside it, centred on it
// when it is shorter.
void AddTypeIcon(TForm &Form, TLabel &Label, LPCWSTR Icon)
{
    auto *image = new TImage(&Form);
    image->SetParent(&Form);
    image->SetBounds(Margin, IconTop, IconSize, IconSize);
    image->Picture()->Icon()->SetHandle(CopyIcon(LoadIconW({}, Icon)));
    Label.SetLeft(TextLeftOfIcon);
    Label.SetTop(IconTop + std::max(0, (IconSize - Label.Height()) / 2));
}

// Appends the lines of Paragraph as they fit Width: broken between words, and a word wider
// than Width (a long path) between its characters, so that all of it stays in sight.
void WrapParagraph(std::string_view Paragraph, TCanvas &Canvas, int Width,
                   std::vector<std::string> &Lines)
{
    const auto fits = [&](const std::string &Line) { return Canvas.TextWidth(Line) <= Width; };
    std::string line;
    for (std::size_t at = 0; at <= Paragraph.size();) {
        const std::size_t end = std::min(Paragraph.find(' ', at), Paragraph.size());
        const std::string_view word = Paragraph.substr(at, end - at);
        std::string joined = line.empty() ? std::string(word) : line + ' ' + std::string(word);
        if (fits(joined)) {
            line = std::move(joined);
        } else {
            if (!line.empty()) Lines.push_back(std::exchange(line, {}));
            for (const char ch : word) {
                if (!line.empty() && !fits(line + ch)) Lines.push_back(std::exchange(line, {}));
                line += ch;
            }
        }
        at = end + 1;
    }
    Lines.push_back(line);
}

// Text as a box on the screen can show it in Canvas's font: no line wider than Width and no more
// than MaxLines lines, those in the middle given up for one "…" where there are more.
AnsiString FittedText(const AnsiString &Text, TCanvas &Canvas, int Width, int MaxLines)
{
    std::vector<std::string> lines;
    std::string_view rest = Text.View();
    for (;;) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        std::string_view paragraph = rest.substr(0, end);
        if (paragraph.ends_with('\r')) paragraph.remove_suffix(1);
        WrapParagraph(paragraph, Canvas, Width, lines);
        if (end == rest.size()) break;
        rest.remove_prefix(end + 1);
    }
    const std::size_t room = static_cast<std::size_t>(std::max(MaxLines, 1));
    if (lines.size() > room) {
        const std::size_t kept = room - 1, head = kept - kept / 2;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(head),
                    lines.end() - static_cast<std::ptrdiff_t>(kept / 2));
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(head), ("…"_a).ToStd());
    }
    std::string fitted = lines.front();
    for (std::size_t i = 1; i < lines.size(); ++i)
        fitted += '\n' + lines[i];
    return fitted;
}

// The text of a box that fits the work area of the screen with its frame, margins and buttons:
// a long path would otherwise make it wider than the screen, its buttons out of reach.
AnsiString TextFittingTheScreen(TForm &Form, const TLabel &Label, const AnsiString &Text)
{
    const TRect area = Screen->WorkAreaRect();
    const int frameWidth = Form.Width() - Form.ClientWidth();
    const int frameHeight = Form.Height() - Form.ClientHeight();
    const int width = area.Width() - frameWidth - Label.Left() - Margin;
    const int height =
        area.Height() - frameHeight - Label.Top() - TextToButtons - ButtonHeight - Margin;
    TBitmap measure;
    TCanvas &canvas = *measure.Canvas();
    canvas.Font()->Assign(Label.Font());
    return FittedText(Text, canvas, width, height / canvas.TextHeight("W"));
}

} // namespace

int StandardDialogs::Message(const MessageRequest &Request)
{
    TForm form(nullptr);
    form.SetBorderStyle(bsDialog);
    form.SetPosition(poScreenCenter);
    form.SetCaption(Request.Caption);
    auto *label = new TLabel(&form);
    label->SetParent(&form);
    label->SetShowAccelChar(false);
    const bool hasIcon = Request.Type != mtCustom;
    label->SetLeft(hasIcon ? TextLeftOfIcon : Margin);
    label->SetTop(Margin);
    label->SetCaption(TextFittingTheScreen(form, *label, Request.Text));
    if (hasIcon) AddTypeIcon(form, *label, TypeIcons[Request.Type]);
    std::vector<TButton *> buttons;
    const bool hasCancel = Request.Buttons.Contains(mbCancel);
    for (int b = mbYes; b <= mbHelp; ++b) {
        if (!Request.Buttons.Contains(TMsgDlgBtn(b))) continue;
        auto *button = new TButton(&form);
        button->SetParent(&form);
        button->SetCaption(Request.SystemBox ? SystemButtonCaption(b) : ButtonCaptions[b]);
        button->SetModalResult(ButtonResults[b]);
        button->SetDefault(b == Request.DefaultButton);
        button->SetCancel(b == mbCancel || (!hasCancel && Request.Buttons == TMsgDlgButtons{mbOK}));
        buttons.push_back(button);
    }
    const int rowWidth = static_cast<int>(buttons.size()) * (ButtonWidth + ButtonGap) - ButtonGap;
    const int width = std::max(label->Left() + label->Width() + Margin, rowWidth + 2 * Margin);
    const int textBottom = label->Top() + label->Height();
    const int buttonsTop =
        (hasIcon ? std::max(textBottom, IconTop + IconSize) : textBottom) + TextToButtons;
    form.SetClientWidth(width);
    form.SetClientHeight(buttonsTop + ButtonHeight + Margin);
    int x = (width - rowWidth) / 2;
    for (TButton *button : buttons) {
        button->SetBounds(x, buttonsTop, ButtonWidth, ButtonHeight);
        x += ButtonWidth + ButtonGap;
    }
    for (TButton *button : buttons)
        if (button->Default()) form.SetActiveControl(button);
    return form.ShowModal();
}

namespace
{

using win::FromQt;
using win::ToQt;

// The Qt dialogs open in our message loop, the innermost last.
std::vector<QDialog *> &RunningQtDialogs()
{
    static std::vector<QDialog *> running;
    return running;
}

// Listed while it runs, however the run ends.
class TRunningQtDialog
{
public:
    explicit TRunningQtDialog(QDialog &Dialog) { RunningQtDialogs().push_back(&Dialog); }
    ~TRunningQtDialog() { RunningQtDialogs().pop_back(); }
    TRunningQtDialog(const TRunningQtDialog &) = delete;
    TRunningQtDialog &operator=(const TRunningQtDialog &) = delete;
};

// Runs a Qt dialog inside our message loop, so timers, posted messages and
// synchronised calls go on while it is open.
bool RunQtDialog(QDialog &Dialog)
{
    const vcl::TModalWait wait;
    const DWORD thread = GetCurrentThreadId();
    QObject::connect(&Dialog, &QDialog::finished,
                     [thread] { PostThreadMessageW(thread, WM_NULL, 0, 0); });
    // Kept above the window it was opened from, as the program's own dialogs are.
    HWND from = GetActiveWindow();
    if (!from && Application->MainForm()) from = Application->MainForm()->Handle();
    win::KeepAbove(Dialog, from);
    {
        const TRunningQtDialog running(Dialog);
        Dialog.open();
        while (Dialog.isVisible() && !Application->Terminated())
            Application->HandleMessage();
    }
    wait.Ended();
    return Dialog.result() == QDialog::Accepted;
}

// "Text files|*.txt;*.log|All|*.*" as Qt's "Text files (*.txt *.log)" filters.
QStringList QtFilters(const AnsiString &Filter)
{
    QStringList parts = ToQt(Filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i] + " (" + parts[i + 1].split(';').join(' ') + ")";
    return filters;
}

// Qt's file list writes sizes, dates and the folders' type in the system's language, whatever the
// program's; these columns are written again in the program's Russian.
class RussianFileColumns : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &Index, int Role) const override
    {
        enum { Size = 1, Type = 2, Date = 3 };
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (Role != Qt::DisplayRole || !files || Index.column() < Size || Index.column() > Date)
            return QIdentityProxyModel::data(Index, Role);
        const QFileInfo info = files->fileInfo(mapToSource(Index));
        const QLocale russian(QLocale::Russian, QLocale::Russia);
        switch (Index.column()) {
        case Size:
            // Whole kilobytes, rounded up, as the system's own file lists count them; the
            // locale's units would be Latin.
            return info.isDir()
                       ? QString()
                       : russian.toString((info.size() + 1023) / 1024) + QString::fromUtf8(" КБ");
        case Type:
            // The other types are the system's names of the files' kinds, already in the
            // program's language.
            return info.isDir() ? QString::fromUtf8("Папка")
                                : QIdentityProxyModel::data(Index, Role);
        default:
            return russian.toString(info.lastModified(), QLocale::ShortFormat);
        }
    }
};

// The detail list keeps its size, type and date columns as wide as what they show and gives
// the name the rest; a dialog as narrow as Qt makes it would cut the dates off.
void ShowWholeColumns(QFileDialog &Dialog)
{
    constexpr int MinimumWidth = 640;
    Dialog.resize(std::max(Dialog.width(), MinimumWidth), Dialog.height());
    auto *details = Dialog.findChild<QTreeView *>("treeView");
    if (!details) return;
    QHeaderView *header = details->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
}

// The program holds names in its code page: a name with a character outside it would be
// read or written as another file. The user is told and chooses again.
bool KeepsAllNames(const QStringList &Files)
{
    const bool kept =
        std::ranges::all_of(Files, [](const QString &File) { return ToQt(FromQt(File)) == File; });
    if (!kept)
        Application->MessageBox("Имя файла содержит символы, которые программа не поддерживает. "
                                "Выберите другое имя."_a,
                                "Внимание!"_a, MB_OK | MB_ICONWARNING);
    return kept;
}

bool ExecuteFileDialog(TOpenDialog &Dialog)
{
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setProxyModel(new RussianFileColumns(&dialog));
    // The list shows each filter's text as the program wrote it, which names its
    // patterns already; Qt would add them once more.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setWindowTitle(ToQt(Dialog.Title()));
    dialog.setAcceptMode(Dialog.IsSaveDialog() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    const TOpenOptions options = Dialog.Options();
    if (Dialog.IsSaveDialog())
        dialog.setFileMode(QFileDialog::AnyFile);
    else
        dialog.setFileMode(options.Contains(ofAllowMultiSelect) ? QFileDialog::ExistingFiles
                                                                : QFileDialog::ExistingFile);
    if (!options.Contains(ofOverwritePrompt)) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = QtFilters(Dialog.Filter());
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.value(std::max(Dialog.FilterIndex(), 1) - 1));
    }
    ShowWholeColumns(dialog);
    if (!Dialog.InitialDir().IsEmpty()) dialog.setDirectory(ToQt(Dialog.InitialDir()));
    if (!Dialog.FileName().IsEmpty()) dialog.selectFile(ToQt(Dialog.FileName()));
    if (!Dialog.DefaultExt().IsEmpty()) dialog.setDefaultSuffix(ToQt(Dialog.DefaultExt()));
    QStringList files;
    do {
        if (!RunQtDialog(dialog)) return false;
        files = dialog.selectedFiles();
    } while (!KeepsAllNames(files));
    Dialog.Files()->Clear();
    for (const QString &file : files)
        Dialog.Files()->Add(FromQt(file));
    Dialog.SetFileName(files.isEmpty() ? AnsiString() : FromQt(files.first()));
    Dialog.SetFilterIndex(
        std::max(1, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1));
    return true;
}

bool ExecuteColorDialog(TColorDialog &Dialog)
{
    const COLORREF rgb = ColorToRGB(Dialog.Color());
    QColorDialog dialog(QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (!RunQtDialog(dialog)) return false;
    const QColor c = dialog.selectedColor();
    Dialog.SetColor(static_cast<TColor>(RGB(c.red(), c.green(), c.blue())));
    return true;
}

bool ExecuteFontDialog(TFontDialog &Dialog)
{
    TFont *font = Dialog.Font();
    QFont initial(ToQt(font->Name()), font->Size());
    initial.setBold(font->Style().Contains(fsBold));
    initial.setItalic(font->Style().Contains(fsItalic));
    initial.setUnderline(font->Style().Contains(fsUnderline));
    initial.setStrikeOut(font->Style().Contains(fsStrikeOut));
    QFontDialog dialog(initial);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (!RunQtDialog(dialog)) return false;
    const QFont chosen = dialog.selectedFont();
    font->SetName(FromQt(chosen.family()));
    font->SetSize(chosen.pointSize());
    TFontStyles style;
    if (chosen.bold()) style << fsBold;
    if (chosen.italic()) style << fsItalic;
    if (chosen.underline()) style << fsUnderline;
    if (chosen.strikeOut()) style << fsStrikeOut;
    font->SetStyle(style);
    return true;
}

// The system's print dialog over the printers TPrinter knows: the one chosen becomes the
// current printer and the copies go back to the dialog. Printing to a file is the program's
// own business, so the dialog does not offer it.
bool ExecutePrintDialog(TPrintDialog &Dialog)
{
    TPrinter *printer = Printer();
    const win::PrintWaitWatch waits;
    // A printer added since the last print is offered, and can be chosen, too.
    printer->Refresh();
    // Qt's printer and dialog ask the print service themselves, on this thread, and would
    // wait on one that does not answer as long as it keeps the connection.
    const bool answered =
        win::AskPrintService([] { return QPrinterInfo::defaultPrinterName(); }).has_value();
    // A user who cancelled a wait for the service chose not to print, as with the dialog's
    // own Cancel.
    if (waits.Cancelled()) return false;
    if (!answered) throw EPrinter("Printer selected is not valid");
    QPrinter chosen;
    const QString current = ToQt(printer->PrinterName());
    if (!current.isEmpty()) chosen.setPrinterName(current);
    chosen.setCopyCount(std::max(Dialog.Copies(), 1));
    QPrintDialog dialog(&chosen);
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
    if (!RunQtDialog(dialog)) return false;
    const int index = printer->Printers()->IndexOf(FromQt(chosen.printerName()));
    if (index >= 0) printer->SetPrinterIndex(index);
    Dialog.SetCopies(chosen.copyCount());
    return true;
}

} // namespace

void CloseQtBoxes()
{
    for (QDialog *dialog : RunningQtDialogs())
        for (QDialog *box : dialog->findChildren<QDialog *>())
            if (box->isVisible()) box->reject();
}

bool StandardDialogs::Execute(TCommonDialog &Dialog)
{
    if (auto *file = dynamic_cast<TOpenDialog *>(&Dialog)) return ExecuteFileDialog(*file);
    if (auto *color = dynamic_cast<TColorDialog *>(&Dialog)) return ExecuteColorDialog(*color);
    if (auto *font = dynamic_cast<TFontDialog *>(&Dialog)) return ExecuteFontDialog(*font);
    if (auto *print = dynamic_cast<TPrintDialog *>(&Dialog)) return ExecutePrintDialog(*print);
    // Paper and orientation are set through the printer's own page set-up; this dialog has
    // nothing more to ask, so it confirms the current printer.
    return dynamic_cast<TPrinterSetupDialog *>(&Dialog) != nullptr;
}

bool StandardDialogs::Input(const AnsiString &Caption, const AnsiString &Prompt, AnsiString &Value)
{
    TForm form(nullptr);
    form.SetBorderStyle(bsDialog);
    form.SetPosition(poScreenCenter);
    form.SetCaption(Caption);
    form.SetClientWidth(280);
    form.SetClientHeight(110);
    auto *label = new TLabel(&form);
    label->SetParent(&form);
    label->SetBounds(16, 12, 248, 16);
    label->SetCaption(Prompt);
    auto *edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(16, 34, 248, 21);
    edit->SetText(Value);
    auto *ok = new TButton(&form);
    ok->SetParent(&form);
    ok->SetBounds(60, 70, 75, 25);
    ok->SetCaption("OK");
    ok->SetModalResult(mrOk);
    ok->SetDefault(true);
    auto *cancel = new TButton(&form);
    cancel->SetParent(&form);
    cancel->SetBounds(145, 70, 75, 25);
    cancel->SetCaption("Cancel");
    cancel->SetModalResult(mrCancel);
    cancel->SetCancel(true);
    form.SetActiveControl(edit);
    if (form.ShowModal() != mrOk) return false;
    Value = edit->Text();
    return true;
}

void ScriptedDialogs::ReplyInput(bool Confirm, const AnsiString &Text)
{
    FInputReplies.push_back({Confirm, Text});
}

bool ScriptedDialogs::Input(const AnsiString &, const AnsiString &Prompt, AnsiString &Value)
{
    FPrompts.push_back(Prompt);
    if (FInputReplies.empty())
        throw EInvalidOperation("No scripted answer for the input \"" + Prompt + "\"");
    const auto [confirm, text] = FInputReplies.front();
    FInputReplies.pop_front();
    if (confirm) Value = text;
    return confirm;
}

void ScriptedDialogs::ReplyMessage(int ModalResult)
{
    FMessageReplies.push_back({{}, ModalResult});
}

void ScriptedDialogs::ReplyMessageAfter(std::function<void()> Action, int ModalResult)
{
    FMessageReplies.push_back({std::move(Action), ModalResult});
}

void ScriptedDialogs::ReplyDialog(DialogReply Reply)
{
    FDialogReplies.push_back(std::move(Reply));
}

int ScriptedDialogs::Message(const MessageRequest &Request)
{
    FMessages.push_back(Request);
    if (FMessageReplies.empty())
        throw EInvalidOperation("No scripted answer for the message \"" + Request.Text + "\"");
    MessageReply reply = std::move(FMessageReplies.front());
    FMessageReplies.pop_front();
    if (reply.Action) reply.Action();
    return reply.Result;
}

bool ScriptedDialogs::Execute(TCommonDialog &Dialog)
{
    FDialogs.push_back(Dialog.ClassName());
    if (FDialogReplies.empty())
        throw EInvalidOperation("No scripted answer for the dialog " + Dialog.ClassName());
    DialogReply reply = std::move(FDialogReplies.front());
    FDialogReplies.pop_front();
    return reply(Dialog);
}

} // namespace vcl

int MessageDlg(const AnsiString &Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int)
{
    vcl::MessageRequest request;
    request.Text = Msg;
    request.Caption =
        DlgType == mtCustom ? Application->Title() : AnsiString(TypeCaptions[DlgType]);
    request.Type = DlgType;
    request.Buttons = Buttons;
    for (int b = mbYes; b <= mbHelp; ++b)
        if (Buttons.Contains(TMsgDlgBtn(b))) {
            request.DefaultButton = TMsgDlgBtn(b);
            break;
        }
    return vcl::DialogService().Message(request);
}

void ShowMessage(const AnsiString &Msg)
{
    MessageDlg(Msg, mtCustom, {mbOK}, 0);
}

bool InputQuery(const AnsiString &ACaption, const AnsiString &APrompt, AnsiString &Value)
{
    return vcl::DialogService().Input(ACaption, APrompt, Value);
}

AnsiString InputBox(const AnsiString &ACaption, const AnsiString &APrompt,
                    const AnsiString &ADefault)
{
    AnsiString value = ADefault;
    return InputQuery(ACaption, APrompt, value) ? value : ADefault;
}

// ---- published properties ---------------------------------------------------------

namespace
{

void PublishCommonDialog(rtl::Publisher<TCommonDialog> &P)
{
    P.Property("Title", &TCommonDialog::Title, &TCommonDialog::SetTitle);
}

void PublishOpenDialog(rtl::Publisher<TOpenDialog> &P)
{
    P.Property("DefaultExt", &TOpenDialog::DefaultExt, &TOpenDialog::SetDefaultExt);
    P.Property("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName);
    P.Property("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter);
    P.Property("FilterIndex", &TOpenDialog::FilterIndex, &TOpenDialog::SetFilterIndex).Default(1);
    P.Property("InitialDir", &TOpenDialog::InitialDir, &TOpenDialog::SetInitialDir);
    P.Property("Options", &TOpenDialog::Options, &TOpenDialog::SetOptions);
}

void PublishColorDialog(rtl::Publisher<TColorDialog> &P)
{
    P.Property("Color", &TColorDialog::Color, &TColorDialog::SetColor, rtl::TColorInfo());
}

void PublishFontDialog(rtl::Publisher<TFontDialog> &P)
{
    P.Property("Device", &TFontDialog::Device, &TFontDialog::SetDevice).Default(fdScreen);
    P.Property("Font", &TFontDialog::Font, &TFontDialog::SetFont);
}

void PublishPrintDialog(rtl::Publisher<TPrintDialog> &P)
{
    P.Property("Copies", &TPrintDialog::Copies, &TPrintDialog::SetCopies);
    P.Property("FromPage", &TPrintDialog::FromPage, &TPrintDialog::SetFromPage);
    P.Property("MaxPage", &TPrintDialog::MaxPage, &TPrintDialog::SetMaxPage);
    P.Property("MinPage", &TPrintDialog::MinPage, &TPrintDialog::SetMinPage);
    P.Property("PrintRange", &TPrintDialog::PrintRange, &TPrintDialog::SetPrintRange)
        .Default(prAllPages);
    P.Property("ToPage", &TPrintDialog::ToPage, &TPrintDialog::SetToPage);
}

[[maybe_unused]] const bool CommonDialogPublished =
    rtl::PublishClass<TCommonDialog>(&PublishCommonDialog);
[[maybe_unused]] const bool OpenDialogPublished =
    rtl::PublishClass<TOpenDialog>(&PublishOpenDialog);
[[maybe_unused]] const bool ColorDialogPublished =
    rtl::PublishClass<TColorDialog>(&PublishColorDialog);
[[maybe_unused]] const bool FontDialogPublished =
    rtl::PublishClass<TFontDialog>(&PublishFontDialog);
[[maybe_unused]] const bool PrintDialogPublished =
    rtl::PublishClass<TPrintDialog>(&PublishPrintDialog);

} // namespace
