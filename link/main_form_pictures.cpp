// The program's pictures on its controls, and the looks of its own controls
// that a form designer would have stored.

#include "link/constants.h"
#include "link/main_form.h"

#include <map>
#include <string_view>

// Compiled in from link/pictures by the build.
void RegisterPictureResources();

namespace
{

// Between a check box's picture and its caption.
constexpr int CheckCaptionGap = 4;

void LoadPicture(TPNGObject *Png, const char *Name)
{
    static const bool Registered = (RegisterPictureResources(), true);
    (void)Registered;
    Png->LoadFromResourceName(HInstance, Name);
}

std::unique_ptr<TPNGObject> Picture(const char *Name)
{
    auto Png = std::make_unique<TPNGObject>();
    LoadPicture(Png.get(), Name);
    return Png;
}

void FillPictureList(TPngImageList *List, int Size, std::initializer_list<const char *> Pictures)
{
    List->SetWidth(Size);
    List->SetHeight(Size);
    // One change: the list is rebuilt once, not once for every picture added, so each picture
    // is read straight into its item.
    List->PngImages()->BeginUpdate();
    for (const char *Item : Pictures)
        LoadPicture(List->PngImages()->Add()->PngImage(), Item);
    List->PngImages()->EndUpdate();
}

TPngImageList *PictureList(TComponent *Owner, const char *Name, int Size,
                           std::initializer_list<const char *> Pictures)
{
    auto *List = new TPngImageList(Owner);
    List->SetName(Name);
    FillPictureList(List, Size, Pictures);
    return List;
}

} // namespace

void TMainForm::SetFace(TFont *Font, const AnsiString &Name, int Height, TFontStyles Style)
{
    TFont Face;
    Face.SetPixelsPerInch(Font->PixelsPerInch());
    Face.Assign(Font);
    Face.SetName(Name);
    Face.SetHeight(Height);
    Face.SetStyle(Style);
    Font->Assign(&Face);
}

void TMainForm::DressControls()
{
    const std::pair<TXpButton *, const char *> Buttons[] = {{BTN_Quit, "BTN_QUIT"},
                                                            {BTN_WriterRead, "BTN_READ"},
                                                            {BTN_WriterSave, "BTN_WRITE"},
                                                            {BTN_WriterReadFromFile, "BTN_OPEN"},
                                                            {BTN_WriterSaveToFile, "BTN_SAVE"},
                                                            {BTN_StopWriter, "BTN_STOP"},
                                                            {BTN_ReadFromArchive, "BTN_READ"},
                                                            {BTN_StopArchive, "BTN_STOP"},
                                                            {BTN_ClipboardArchive, "BTN_CLIPBOARD"},
                                                            {BTN_PrintArchive, "BTN_PRINT"},
                                                            {BTN_Tovcheck, "BTN_RECEIPT"},
                                                            {BTN_Search, "BTN_SEARCH"},
                                                            {BTN_LoadBios, "BTN_FIRMWARE"},
                                                            {BTN_LoadFonts, "BTN_FONTS"},
                                                            {BTN_InternetUpdate, "BTN_UPDATE"},
                                                            {BTN_StopInternet, "BTN_STOP"},
                                                            {BTN_OptionsRead, "BTN_READ"},
                                                            {BTN_OptionsSave, "BTN_WRITE"},
                                                            {BTN_InfoPrint, "BTN_PRINT"}};
    // Buttons that do the same on different tabs share a picture: it is decoded once.
    std::map<std::string_view, std::unique_ptr<TPNGObject>> Decoded;
    for (const auto &[Button, Name] : Buttons) {
        std::unique_ptr<TPNGObject> &Png = Decoded[Name];
        if (!Png) Png = Picture(Name);
        Button->SetPngPicture(Png.get());
        Button->SetPngIndent(6);
        // Blanks in front keep the centred caption clear of the picture.
        if (Button->Caption().SubString(1, 1) != " ")
            Button->SetCaption(AnsiString::StringOfChar(' ', 9) + Button->Caption());
    }

    const auto Checked = Picture("CHECK_ON"), Unchecked = Picture("CHECK_OFF");
    for (TPngCheckBox *Box :
         {CHB_WriterMissNull, CHB_MissRead, CHB_AllArchive, CHB_TypeKey, CHB_KeyHex}) {
        const int Top = Box->Top() + Box->Height() / 2;
        Box->SetPngCheck(Checked.get());
        Box->SetPngUncheck(Unchecked.get());
        Box->SetTop(Top - Box->Height() / 2);
        Box->SetPngAlign(TPngCheckBox::paLeft);
        Box->SetFrame(7);
        Box->SetShadowColor(clSilver);
        // The caption keeps to the edge opposite the picture, so the box is made no wider
        // than picture and caption together, which puts the caption beside the picture.
        TBitmap measure;
        measure.Canvas()->Font()->Assign(Box->Font());
        Box->SetWidth(1 + Checked->Width() + CheckCaptionGap +
                      measure.Canvas()->TextWidth(Box->Caption()) + Box->Frame());
    }

    // The exchange status boxes: a framed box whose colour tells the direction.
    for (TGradientCheck *Box :
         {CHG_WriterStatus, CHG_ArchiveStatus, CHG_OptionsStatus, CHG_LoadBios}) {
        Box->SetgCheckable(false);
        Box->SetgGradient(false);
        Box->SetgColorBegin(clSilver);
        Box->SetgColorEnd(clWhite);
    }
    CHG_ArchiveCount->SetgCheckable(false);
    CHG_ArchiveCount->SetgRound(true);
    CHG_ArchiveCount->SetgHorizontal(false);
    CHG_ArchiveCount->SetgColorBegin(static_cast<TColor>(RGB(0xB8, 0xC8, 0xDC)));
    CHG_ArchiveCount->SetgColorEnd(static_cast<TColor>(RGB(0xF6, 0xF8, 0xFC)));

    for (TShadowLabel *Label :
         {SL_Dallas, SL_Metacom, SL_Cyfral, SL_Proxy, SL_OptionsCounterSavedDallas,
          SL_OptionsCounterSavedMetacom, SL_OptionsCounterSavedCyfral, SL_OptionsCounterSavedProxy,
          SL_OptionsLimitDallas, SL_OptionsLimitMetacom, SL_OptionsLimitCyfral,
          SL_OptionsLimitProxy, SL_OptionsLastCode, SL_BiosVersion}) {
        Label->Font()->SetStyle(TFontStyles{fsBold});
        Label->SetShadowColor(clSilver);
        Label->SetFrame(0);
    }

    for (TValidateEdit *Price : {ED_Dallas, ED_Metacom, ED_Cyfral, ED_Proxy})
        Price->SetValidateType(vtFloatPs);
    ED_WriterName->SetValidateString(NameInputChars);

    PIL_Device = PictureList(this, "PIL_Device", 16, {"PORT_COM", "PORT_USB", "PORT_MISSING"});
    CB_ComPorts->SetItemHeight(24);
    SetFace(CB_ComPorts->Font(), "Tahoma", -16, TFontStyles{fsBold});
    CB_ComPorts->SetAutoIndexes(false);
    CB_ComPorts->SetImages(PIL_Device);

    PIL_OnLineCom = PictureList(this, "PIL_OnLineCom", 24, {"STATE_OFFLINE", "STATE_ONLINE"});
    PIL_Tabs =
        PictureList(this, "PIL_Tabs", 16,
                    {"TAB_WRITER", "TAB_ARCHIVE", "TAB_CONFIGURE", "TAB_OPTIONS", "TAB_INFO"});
    PC_Tabs->SetImages(PIL_Tabs);
    int Index = 0;
    for (TTabSheet *Sheet :
         {Sheet_Writer, Sheet_Archive, Sheet_Configure, Sheet_Options, Sheet_Info})
        Sheet->SetImageIndex(Index++);

    PIL_ArchiveGridMenu =
        PictureList(this, "PIL_ArchiveGridMenu", 16,
                    {"MENU_COPY", "MENU_PASTE", "MENU_COPY_TABLE", "MENU_CLEAR", "MENU_INSERT_ROW",
                     "MENU_PRINT", "MENU_PRINT_SELECTION", "MENU_DELETE_ROW", "MENU_UNDO"});
    DressGridMenus();
}

void TMainForm::CreateArchiveSortImages()
{
    // Index 0 points up (ascending), 1 down (descending).
    FillPictureList(PIL_ArchiveSort, 16, {"SORT_UP", "SORT_DOWN"});
}

void TMainForm::ShowPortKinds()
{
    TStringList Kinds;
    for (int Kind : ComPortImages)
        Kinds.Add(IntToStr(Kind));
    CB_ComPorts->SetListIndexesPng(&Kinds);
}
