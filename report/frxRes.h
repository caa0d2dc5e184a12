#pragma once

// The report library's table of user-visible texts, looked up by key; a
// language file can replace it at run time.

#include "platform/rtl/Classes.h"

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
    // The preview's 16 x 16 button pictures, read from the program's pictures on
    // first use, in TfrxPreviewPicture's order.
    TCustomImageList *GetPreviewButtonImages();

private:
    std::unique_ptr<TStringList> FKeys; // object slot: index into FValues
    std::unique_ptr<TStringList> FValues;
    std::unique_ptr<TStringList> FLanguages;
    // The application owns it: pictures go while the drawing layer is still there.
    TCustomImageList *FPreviewButtonImages = nullptr;
    AnsiString FHelpFile = "ZADado.rav";
};

TfrxResources *frxResources();
AnsiString frxGet(int ID);
// The table the library starts with, key=value lines in the program's code page.
AnsiString frxBuiltinResources();
