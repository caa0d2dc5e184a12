#pragma once

// The report library's table of user-visible texts, looked up by key; a
// language file can replace it at run time.

#include "platform/rtl/Classes.h"
#include "platform/win/WinTypes.h"

#include <functional>

class TBitmap;
class TCustomImageList;

// The preview's button pictures in the order of their strip.
enum class TfrxPreviewPicture {
    Print,
    Open,
    Save,
    Export,
    Pdf,
    Email,
    Find,
    WholePage,
    PageWidth,
    Zoom100,
    ManyPages,
    FullScreen,
    PageSettings,
    Outline,
    HandTool,
    ZoomTool,
    NewPage,
    DeletePage,
    Designer,
    First,
    Prior,
    Next,
    Last,
    Count
};

#include <memory>

class TfrxResources : public TObject
{
    QRV4_CLASS(TfrxResources, TObject)

public:
    TfrxResources();
    ~TfrxResources() override;

    // The key itself when the table has no such key.
    AnsiString Get(const AnsiString &Key) const;
    void Add(const AnsiString &Key, const AnsiString &Text);
    // key=value lines; lines without a key or without a text are skipped.
    void AddStrings(const AnsiString &Text);
    void Clear();
    int Count() const { return FKeys->Count(); }
    void LoadFromFile(const AnsiString &FileName);
    // A language file: replaces the whole table.
    void LoadFromStream(TStream *Stream);
    // Gives the script engine its error texts in the table's language.
    void UpdateFSResources() const;
    // The sorted names of the "*.frc" files beside the program.
    void BuildLanguagesList();
    TStrings *Languages() const { return FLanguages.get(); }
    const AnsiString &HelpFile() const { return FHelpFile; }
    // Opens the help file at the page of Sender's form; at its start for any other sender.
    void Help(TObject *Sender);

    // The image lists, each read from the program's pictures on first use: the
    // library's 16 x 16 buttons, the same buttons for their disabled state, the
    // 22 x 22 pictures of the report objects, and the preview's 16 x 16 buttons
    // in TfrxPreviewPicture's order.
    TCustomImageList *GetMainButtonImages();
    TCustomImageList *GetDisabledButtonImages();
    TCustomImageList *GetObjectImages();
    TCustomImageList *GetPreviewButtonImages();
    // Cut Images into cells and add them, after emptying the lists when Clear.
    void SetButtonImages(TBitmap *Images, bool Clear = false);
    void SetObjectImages(TBitmap *Images, bool Clear = false);
    void SetPreviewButtonImages(TBitmap *Images, bool Clear = false);

private:
    static TCustomImageList *ImagesFromResource(TCustomImageList *&List, const char *Resource,
                                                int Size);

    std::unique_ptr<TStringList> FKeys; // object slot: index into FValues
    std::unique_ptr<TStringList> FValues;
    std::unique_ptr<TStringList> FLanguages;
    // The application owns them: pictures go while the drawing layer is still there.
    TCustomImageList *FMainButtonImages = nullptr;
    TCustomImageList *FDisabledButtonImages = nullptr;
    TCustomImageList *FObjectImages = nullptr;
    TCustomImageList *FPreviewButtonImages = nullptr;
    AnsiString FHelpFile = "ZADado.rav";
};

TfrxResources *frxResources();
AnsiString frxGet(int ID);
// The table the library starts with, key=value lines in the program's code page.
AnsiString frxBuiltinResources();

// The HTML help engine's display-topic call; no engine exists on this system,
// so the slot stays empty and help requests do nothing.
using TfrxHtmlHelpEngine = std::function<void(HWND Window, const AnsiString &Topic)>;
TfrxHtmlHelpEngine &frxHtmlHelpEngine();
// Asks the help engine, when there is one, to show Topic.
void frxDisplayHHTopic(HWND Window, const AnsiString &Topic);
