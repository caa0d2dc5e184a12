#include "tests/support/PrintTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include "platform/vcl/Buttons.h"
#include "platform/vcl/Clipbrd.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/Printers.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/Paint.h"
#include "platform/win/WinSpool.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeView>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>

using namespace vcltest;

namespace
{

class MiscTest : public VclTest
{
};

// ---- Menus ---------------------------------------------------------------------------

TEST_F(MiscTest, ShortCut_TextRoundTrips)
{
    EXPECT_EQ(ShortCutToText(ShortCut('C', {ssCtrl})), "Ctrl+C");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_DELETE, {ssShift})), "Shift+Del");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_F1 + 4, {})), "F5");
    EXPECT_EQ(TextToShortCut("Ctrl+A"), ShortCut('A', {ssCtrl}));
    EXPECT_EQ(TextToShortCut("ctrl+v"), ShortCut('V', {ssCtrl}));
    EXPECT_EQ(TextToShortCut("Ctrl+Nothing"), 0);
}

TEST_F(MiscTest, PopupMenu_KeysChooseAnItemAfterTheMenuCloses)
{
    ShownForm(); // the keys go to the focused window, which keeps the focus
    TPopupMenu menu(nullptr);
    std::string log;
    auto add = [&](const char *caption, TShortCut shortcut) {
        auto *item = new TMenuItem(&menu);
        item->SetCaption(caption);
        item->SetShortCut(shortcut);
        item->OnClick = [&log, caption](TObject *) { log += std::string("click ") + caption; };
        menu.Items()->Add(item);
        return item;
    };
    add("&Copy", TextToShortCut("Ctrl+C"));
    add("-", 0);
    add("&Paste", TextToShortCut("Ctrl+V"))->SetEnabled(true);
    menu.OnPopup = [&](TObject *) {
        log += "popup ";
        Key(VK_DOWN);
        Key(VK_DOWN);
        Key(VK_RETURN, '\r');
    };
    menu.Popup(100, 100);
    EXPECT_EQ(log, "popup click &Paste");
    log.clear();
    EXPECT_TRUE(menu.IsShortCut('C', {ssCtrl}));
    EXPECT_EQ(log, "click &Copy");
}

TEST_F(MiscTest, PopupMenu_ShortCutTypedInAControlRunsItsMenusItemInsteadOfTheControlsKey)
{
    TForm *form = ShownForm();
    TPopupMenu menu(nullptr);
    auto *item = new TMenuItem(&menu);
    item->SetCaption("Select &all");
    item->SetShortCut(TextToShortCut("Ctrl+A"));
    int clicks = 0;
    item->OnClick = [&](TObject *) { ++clicks; };
    menu.Items()->Add(item);
    auto *edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetText("abc");
    edit->SetPopupMenu(&menu);
    Pump();
    edit->SetFocus();
    edit->SetSelStart(3); // the caret after the text, nothing selected
    auto pressCtrlA = [] {
        KeyDown(VK_CONTROL);
        Key('A', 1);
        KeyUp(VK_CONTROL);
    };
    pressCtrlA();
    EXPECT_TRUE(PumpUntil([&] { return clicks == 1; }));
    EXPECT_EQ(edit->SelLength(), 0);
    // A disabled item leaves the key to the edit, which selects its text.
    item->SetEnabled(false);
    pressCtrlA();
    EXPECT_TRUE(PumpUntil([&] { return edit->SelLength() == 3; }));
    EXPECT_EQ(clicks, 1);
}

TEST_F(MiscTest, PopupMenu_EscapeChoosesNothing)
{
    ShownForm();
    TPopupMenu menu(nullptr);
    auto *item = new TMenuItem(&menu);
    item->SetCaption("One");
    int clicks = 0;
    item->OnClick = [&](TObject *) { ++clicks; };
    menu.Items()->Add(item);
    menu.OnPopup = [&](TObject *) { Key(VK_ESCAPE, 27); };
    menu.Popup(50, 50);
    EXPECT_EQ(clicks, 0);
}

// What the open menu showed where the first two rows' pictures go.
COLORREF ShownPictures[2];

void LookAtTheOpenMenu(HWND, UINT, UINT_PTR Timer, DWORD)
{
    KillTimer({}, Timer);
    const HWND Menu = GetCapture(); // the open menu holds the mouse
    UpdateWindow(Menu);
    for (int Row = 0; Row < 2; ++Row)
        ShownPictures[Row] = win::SurfacePixel(Menu, 2 + 1 + 8, 2 + Row * 20 + 2 + 8);
    Key(VK_ESCAPE, 27);
}

TEST_F(MiscTest, PopupMenu_ItemsShowThePicturesOfTheirImageIndexes)
{
    ShownForm();
    TImageList Pictures(nullptr);
    TBitmap Red;
    Red.SetSize(16, 16);
    Red.Canvas()->Brush()->SetColor(clRed);
    Red.Canvas()->FillRect(Rect(0, 0, 16, 16));
    Pictures.Add(&Red, nullptr);
    TPopupMenu menu(nullptr);
    for (int Index : {0, -1}) {
        auto *item = new TMenuItem(&menu);
        item->SetCaption("Item");
        item->SetImageIndex(Index);
        menu.Items()->Add(item);
    }
    menu.SetImages(&Pictures);
    menu.OnPopup = [](TObject *) { SetTimer({}, 0, 20, LookAtTheOpenMenu); };
    menu.Popup(60, 60);
    EXPECT_EQ(ShownPictures[0], RGB(255, 0, 0));
    EXPECT_EQ(ShownPictures[1], ColorToRGB(clMenu)) << "no picture without an index";
}

TEST_F(MiscTest, PopupMenu_ForgetsAFreedImageList)
{
    TPopupMenu menu(nullptr);
    {
        TImageList Pictures(nullptr);
        menu.SetImages(&Pictures);
        EXPECT_EQ(menu.Images(), &Pictures);
    }
    EXPECT_EQ(menu.Images(), nullptr);
}

// ---- Buttons --------------------------------------------------------------------------

TEST_F(MiscTest, SpeedButton_GroupKeepsOneDown)
{
    TForm *form = ShownForm();
    auto *a = new TSpeedButton(form);
    a->SetParent(form);
    a->SetGroupIndex(1);
    auto *b = new TSpeedButton(form);
    b->SetParent(form);
    b->SetLeft(30);
    b->SetGroupIndex(1);
    int clicks = 0;
    b->OnClick = [&](TObject *) { ++clicks; };
    a->SetDown(true);
    Pump();
    Click(b, 5, 5);
    Click(b, 5, 5);
    Pump();
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(clicks, 2);
    b->SetDown(false); // without AllowAllUp one of the group stays down
    EXPECT_TRUE(b->Down());
}

TEST_F(MiscTest, BitBtn_KindGivesCaptionAndModalResult)
{
    TBitBtn button(nullptr);
    button.SetKind(bkCancel);
    EXPECT_EQ(button.Caption(), "Cancel");
    EXPECT_EQ(button.ModalResult(), mrCancel);
    EXPECT_TRUE(button.Cancel());
    auto form = std::make_unique<TForm>(nullptr);
    auto *close = new TBitBtn(form.get());
    close->SetParent(form.get());
    close->SetKind(bkClose);
    form->OnShow = [&](TObject *) { Click(close, 5, 5); };
    EXPECT_EQ(form->ShowModal(), mrCancel);
}

// ---- Clipboard -------------------------------------------------------------------------

TEST_F(MiscTest, Clipboard_TextTravelsAsUnicode)
{
    Clipboard()->SetAsText("Ключ Ё"_a);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
    EXPECT_TRUE(Clipboard()->HasFormat(CF_UNICODETEXT));
    EXPECT_EQ(Clipboard()->AsWideText(), WideString(u"Ключ Ё"));
    Clipboard()->SetAsWideText(u"中");
    EXPECT_EQ(Clipboard()->AsText(), "?");
    Clipboard()->Clear();
    EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
    EXPECT_EQ(Clipboard()->AsText(), "");
}

TEST_F(MiscTest, Clipboard_SharesTheKernelsClipboard)
{
    // Text put through the kernel's calls reads back through the class, and the
    // other way round, so both paths see one clipboard.
    ASSERT_TRUE(OpenClipboard({}));
    EmptyClipboard();
    const char Text[] = "\xCA\xEB\xFE\xF7"; // "Ключ" in cp1251
    const HGLOBAL Block = GlobalAlloc(GHND, sizeof Text);
    std::memcpy(GlobalLock(Block), Text, sizeof Text);
    GlobalUnlock(Block);
    ASSERT_TRUE(SetClipboardData(CF_TEXT, Block));
    CloseClipboard();
    EXPECT_EQ(Clipboard()->AsWideText(), WideString(u"Ключ"));

    Clipboard()->SetAsWideText(u"Ё中");
    ASSERT_TRUE(OpenClipboard({}));
    const HANDLE Ansi = GetClipboardData(CF_TEXT);
    ASSERT_TRUE(Ansi);
    EXPECT_STREQ(static_cast<const char *>(GlobalLock(Ansi)), "\xA8?");
    GlobalUnlock(Ansi);
    CloseClipboard();
}

TEST_F(MiscTest, Clipboard_OpenBracketsOperationsAndCloses)
{
    ASSERT_TRUE(Clipboard()->Open());
    ASSERT_TRUE(Clipboard()->Open());
    Clipboard()->SetAsText("one");
    EXPECT_EQ(Clipboard()->AsText(), "one");
    Clipboard()->Close();
    // Still held by the outer bracket: nobody else can open it.
    EXPECT_FALSE(OpenClipboard({}));
    Clipboard()->Close();
    // Closed again once the brackets are done.
    ASSERT_TRUE(OpenClipboard({}));
    CloseClipboard();
    Clipboard()->Close(); // an extra close does not close someone else's opening
    ASSERT_TRUE(OpenClipboard({}));
    Clipboard()->Close();
    EXPECT_FALSE(OpenClipboard({}));
    CloseClipboard();
}

TEST_F(MiscTest, Clipboard_HeldElsewhereLeavesTextAlone)
{
    Clipboard()->SetAsText("kept");
    ASSERT_TRUE(OpenClipboard({}));
    EXPECT_FALSE(Clipboard()->Open());
    Clipboard()->SetAsText("lost");
    EXPECT_EQ(Clipboard()->AsText(), "");
    CloseClipboard();
    EXPECT_EQ(Clipboard()->AsText(), "kept");
}

// ---- Printer -------------------------------------------------------------------------------

std::string ReadFile(const std::string &Path)
{
    std::ifstream in(Path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int CountPages(const std::string &Pdf)
{
    int pages = 0;
    for (size_t at = Pdf.find("/Type /Page"); at != std::string::npos;
         at = Pdf.find("/Type /Page", at + 1))
        if (Pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
    return pages;
}

TEST_F(MiscTest, Printer_JobOfTwoPagesGoesToAPdfFile)
{
    const std::string path = "/tmp/qrv4_vcl_print_" + std::to_string(getpid()) + ".pdf";
    TPrinter printer;
    printer.SetFileName(path.c_str());
    printer.SetTitle("Чек"_a);
    printer.BeginDoc();
    EXPECT_TRUE(printer.Printing());
    EXPECT_EQ(printer.PageNumber(), 1);
    // A4 at 600 dots per inch.
    EXPECT_NEAR(printer.PageWidth(), 4961, 2);
    EXPECT_NEAR(printer.PageHeight(), 7016, 2);
    // Whoever measures on the page sees the printer's resolution.
    EXPECT_EQ(GetDeviceCaps(printer.Canvas()->Handle(), LOGPIXELSY), 600);
    EXPECT_EQ(printer.PixelsPerInch(), 600);
    printer.Canvas()->Font()->SetHeight(-150);
    printer.Canvas()->TextOut(300, 300, "Страница 1"_a);
    printer.NewPage();
    printer.Canvas()->Brush()->SetColor(clBlack);
    printer.Canvas()->FillRect(Rect(100, 100, 400, 400));
    EXPECT_EQ(printer.PageNumber(), 2);
    printer.EndDoc();
    EXPECT_FALSE(printer.Printing());
    const std::string pdf = ReadFile(path);
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_EQ(CountPages(pdf), 2);
    // The page is drawn as text, not as a picture of it.
    const std::string command = "pdftotext -f 1 -l 1 " + path + " -";
    std::string text;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        pclose(pipe);
    }
    EXPECT_NE(text.find("Страница 1"), std::string::npos) << text;
    std::remove(path.c_str());
    EXPECT_THROW(printer.Canvas(), EPrinter);
    EXPECT_THROW(printer.SetPrinterIndex(printer.Printers()->Count()), EPrinter);
}

TEST_F(MiscTest, Printer_AbortedJobWritesNoFile)
{
    const std::string path = "/tmp/qrv4_vcl_abort_" + std::to_string(getpid()) + ".pdf";
    TPrinter printer;
    printer.SetFileName(path.c_str());
    printer.BeginDoc();
    printer.Canvas()->TextOut(10, 10, "x");
    printer.Abort();
    EXPECT_TRUE(printer.Aborted());
    EXPECT_FALSE(printer.Printing());
    EXPECT_FALSE(std::ifstream(path).good());
    EXPECT_THROW(printer.EndDoc(), EPrinter);
}

// A print service that takes the connection and never answers: no printer is listed, a job
// for the system's printer is refused as without one, and the print dialog, which Qt fills
// by asking the service itself, is refused rather than waited on.
TEST_F(MiscTest, Printer_SilentPrintServiceLeavesNoPrinterAndNoDialog)
{
    const printtest::SilentPrintService silent;
    ASSERT_TRUE(silent.Listening());
    TPrinter printer;
    EXPECT_EQ(printer.Printers()->Count(), 0);
    EXPECT_THROW(printer.BeginDoc(), EPrinter);
    EXPECT_FALSE(printer.Printing());
    TPrintDialog dialog(nullptr);
    vcl::StandardDialogs standard;
    EXPECT_THROW(standard.Execute(dialog), EPrinter);
}

// The same service, and a user who cancels the wait for it as soon as its box shows: the print
// dialog ends as cancelled, with no word of an invalid printer.
TEST_F(MiscTest, Printer_AWaitForThePrintDialogCancelledByTheUserCancelsTheDialog)
{
    const printtest::SilentPrintService silent;
    ASSERT_TRUE(silent.Listening());
    // A box whose user presses Cancel at once.
    struct CancelledBox final : win::PrintWaitBox {
        TForm Window{nullptr};
        CancelledBox()
        {
            win::SetPrintCancelWindow(Window.Handle(), nullptr, nullptr);
            win::CancelPrintWait();
        }
        ~CancelledBox() override { win::ClearPrintCancelWindow(Window.Handle()); }
    };
    win::SetPrintWaitBoxFactory([] { return std::make_unique<CancelledBox>(); });
    struct FactoryGone {
        ~FactoryGone() { win::SetPrintWaitBoxFactory({}); }
    } factoryGone;
    TPrintDialog dialog(nullptr);
    vcl::StandardDialogs standard;
    bool executed = true;
    EXPECT_NO_THROW(executed = standard.Execute(dialog));
    EXPECT_FALSE(executed);
}

} // namespace

// Qt's own file dialog as the open and save dialogs show it: in Russian, each filter read
// once, and the date column wide enough for the dates it shows.
TEST_F(MiscTest, FileDialog_SpeaksRussianShowsEachFilterOnceAndItsDatesWhole)
{
    vcl::SetDialogService(nullptr);
    TOpenDialog dialog(nullptr);
    dialog.SetFilter("DBF файл (*.dbf)|*.dbf|Все файлы|*.*"_a);
    QStringList filters, texts;
    int dateRight = 0, dateSize = 0, dateWanted = 0, viewWidth = 0;
    QTimer::singleShot(0, [&] {
        QFileDialog *shown = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *file = qobject_cast<QFileDialog *>(widget); file && file->isVisible())
                shown = file;
        if (!shown) return;
        const auto *types = shown->findChild<QComboBox *>("fileTypeCombo");
        for (int i = 0; types && i < types->count(); ++i)
            filters << types->itemText(i);
        for (const QLabel *label : shown->findChildren<QLabel *>())
            texts << label->text();
        for (const QAbstractButton *button : shown->findChildren<QAbstractButton *>())
            texts << button->text();
        if (const auto *details = shown->findChild<QTreeView *>("treeView")) {
            const QHeaderView *header = details->header();
            const int date = header->count() - 1;
            dateSize = header->sectionSize(date);
            dateRight = header->sectionViewportPosition(date) + dateSize;
            viewWidth = details->viewport()->width();
            dateWanted = header->sectionSizeHint(date);
            for (int row = 0; row < details->model()->rowCount(details->rootIndex()); ++row) {
                const QModelIndex index = details->model()->index(row, date, details->rootIndex());
                dateWanted = std::max(dateWanted, details->sizeHintForIndex(index).width());
            }
        }
        shown->reject();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(filters, QStringList({"DBF файл (*.dbf)", "Все файлы"}));
    for (const char *text : {"Перейти к:", "Отмена", "Типы файлов:"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(text)))
            << text << " in " << texts.join('|').toStdString();
    EXPECT_TRUE(texts.filter(QString::fromUtf8("Имя файла")).size() == 1)
        << texts.join('|').toStdString();
    EXPECT_GT(dateWanted, 0);
    EXPECT_GE(dateSize, dateWanted);
    EXPECT_LE(dateRight, viewWidth);
}

// The list's sizes, dates and folder type are Russian too, whatever the system's language.
TEST_F(MiscTest, FileDialog_ListsSizesDatesAndFoldersInRussian)
{
    vcl::SetDialogService(nullptr);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("qrv4_files_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "keys");
    std::ofstream(folder / "book.dbf") << std::string(3000, 'x');
    TOpenDialog dialog(nullptr);
    dialog.SetInitialDir(folder.c_str());
    std::map<QString, QStringList> rows;
    QTimer look;
    look.setInterval(50);
    int tries = 0;
    QObject::connect(&look, &QTimer::timeout, [&] {
        QFileDialog *shown = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *file = qobject_cast<QFileDialog *>(widget); file && file->isVisible())
                shown = file;
        const auto *details = shown ? shown->findChild<QTreeView *>("treeView") : nullptr;
        if (!details) return;
        const QAbstractItemModel *model = details->model();
        rows.clear();
        for (int row = 0; row < model->rowCount(details->rootIndex()); ++row) {
            QStringList cells;
            for (int column = 0; column < 4; ++column)
                cells << model->index(row, column, details->rootIndex()).data().toString();
            rows[cells.front()] = cells;
        }
        if (rows.size() == 2 || ++tries > 100) {
            look.stop();
            shown->reject();
        }
    });
    look.start();
    EXPECT_FALSE(dialog.Execute());
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const QStringList book = rows["book.dbf"], keys = rows["keys"];
    const QDateTime written =
        QFileInfo(QString::fromStdString((folder / "book.dbf").string())).lastModified();
    std::filesystem::remove_all(folder);
    ASSERT_EQ(book.size(), 4) << "the list never showed the two entries";
    ASSERT_EQ(keys.size(), 4);
    EXPECT_EQ(keys[2], QString::fromUtf8("Папка"));
    EXPECT_EQ(book[1], QString::fromUtf8("3 КБ")) << book[1].toStdString();
    EXPECT_EQ(book[3], russian.toString(written, QLocale::ShortFormat)) << book[3].toStdString();
    for (const QString &cell : book + keys)
        EXPECT_FALSE(cell.contains(
            QRegularExpression("Folder|KiB|Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec")))
            << cell.toStdString();
}
