// Menus, toolbars, docks and tool windows in a form stream: what a form writes
// is what the form that reads it gets back, properties, items and handlers.

#include "menus/TB2Dock.h"
#include "menus/TB2ToolWindow.h"
#include "menus/TTBToolbar.h"
#include "tests/menus/MenuTestSupport.h"

#include "platform/rtl/ClassesFiler.h"

#include <cstring>
#include <string>
#include <utility>

using namespace menutest;

namespace
{

// A form that streams the components it owns, items under their menu or bar.
class TStreamForm : public TForm
{
    QRV4_CLASS(TStreamForm, TForm)

public:
    explicit TStreamForm(TComponent *AOwner) : TForm(AOwner) {}

    void TBI_OpenClick(TObject *Sender) { Clicked.push_back(Sender); }
    std::vector<TObject *> Clicked;
    // A bar takes what is dragged over it only from itself.
    void TB_ToolsDragOver(TObject *Sender, TObject *Source, int, int, TDragState, bool &Accept)
    {
        Accept = Source == Sender;
    }
    void TB_ToolsDragDrop(TObject *Sender, TObject *, int X, int Y)
    {
        Dropped.push_back({Sender, TPoint(X, Y)});
    }
    std::vector<std::pair<TObject *, TPoint>> Dropped;

    void GetChildren(TGetChildProc Proc, TComponent *) override
    {
        for (int I = 0; I < ComponentCount(); ++I)
            if (!dynamic_cast<TTBCustomItem *>(Components(I))) Proc(Components(I));
    }

    static void Publish(rtl::Publisher<TStreamForm> &P)
    {
        P.Method("TBI_OpenClick", &TStreamForm::TBI_OpenClick);
        P.Method("TB_ToolsDragOver", &TStreamForm::TB_ToolsDragOver);
        P.Method("TB_ToolsDragDrop", &TStreamForm::TB_ToolsDragDrop);
    }
};
QRV4_PUBLISHED(TStreamForm)

class StreamingTest : public MenuTest
{
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        RegisterClasses(
            {TTBPopupMenu::StaticClass(), TTBToolbar::StaticClass(), TTBDock::StaticClass(),
             TTBToolWindow::StaticClass(), TTBBackground::StaticClass(), TImageList::StaticClass(),
             TTBItemContainer::StaticClass(), TTBImageList::StaticClass(), TTBSkin::StaticClass()});
        Source = std::make_unique<TStreamForm>(nullptr);
    }
    void TearDown() override
    {
        Copy.reset();
        Source.reset();
        MenuTest::TearDown();
    }

    // Writes the source form, frees it, and reads the stream into a new form.
    void RoundTrip()
    {
        TMemoryStream Stream;
        TWriter(&Stream).WriteRootComponent(Source.get());
        Source.reset();
        Stream.SetPosition(0);
        Copy = std::make_unique<TStreamForm>(nullptr);
        TReader(&Stream).ReadRootComponent(Copy.get());
    }
    template <class T> T *Named(const char *Name)
    {
        auto *Found = dynamic_cast<T *>(Copy->FindComponent(Name));
        EXPECT_TRUE(Found) << Name;
        return Found;
    }
    template <class T> T *Make(const char *Name)
    {
        auto *Made = new T(Source.get());
        Made->SetName(Name);
        return Made;
    }
    template <class T> T *MakeItem(TTBCustomItem *Parent, const char *Name, const char *Caption)
    {
        T *Item = Make<T>(Name);
        Item->SetCaption(Caption);
        Parent->Add(Item);
        return Item;
    }

    std::unique_ptr<TStreamForm> Source;
    std::unique_ptr<TStreamForm> Copy;
};

// A picture of the list's size in Color, its top left 4 x 4 corner see-through.
void AddCornered(TCustomImageList *List, TColor Color)
{
    TBitmap Picture;
    Picture.SetSize(List->Width(), List->Height());
    Picture.Canvas()->Brush()->SetColor(Color);
    Picture.Canvas()->FillRect(TRect(0, 0, List->Width(), List->Height()));
    Picture.Canvas()->Brush()->SetColor(clFuchsia);
    Picture.Canvas()->FillRect(TRect(0, 0, 4, 4));
    List->AddMasked(&Picture, clFuchsia);
}

// Picture Index drawn on white: its corner and its far pixel.
std::pair<TColor, TColor> Shown(TCustomImageList *List, int Index)
{
    TBitmap Surface;
    Surface.SetSize(List->Width(), List->Height());
    Surface.Canvas()->Brush()->SetColor(clWhite);
    Surface.Canvas()->FillRect(TRect(0, 0, List->Width(), List->Height()));
    List->Draw(Surface.Canvas(), 0, 0, Index);
    return {Surface.Canvas()->Pixels(0, 0),
            Surface.Canvas()->Pixels(List->Width() - 1, List->Height() - 1)};
}

TEST_F(StreamingTest, APopupMenuKeepsItsItemsTheirHandlersAndItsOwnProperties)
{
    auto *Menu = Make<TTBPopupMenu>("PM_Grid");
    auto *Images = Make<TImageList>("IL_Menu");
    auto *Open = MakeItem<TTBItem>(Menu->Items(), "TBI_Open", "Open");
    MakeItem<TTBSeparatorItem>(Menu->Items(), "TBS_1", "");
    auto *More = MakeItem<TTBSubmenuItem>(Menu->Items(), "TBI_More", "More");
    MakeItem<TTBItem>(More, "TBI_Inner", "Inner")->SetChecked(true);
    Open->SetImageIndex(3);
    SetMethodProp(Open, "OnClick", BindPublishedMethod(Source.get(), "TBI_OpenClick"));
    Menu->SetImages(Images);
    Menu->SetOptions({tboShowHint});
    Menu->SetAlignment(paRight);
    Menu->SetTrackButton(tbLeftButton);

    RoundTrip();

    auto *CopyMenu = Named<TTBPopupMenu>("PM_Grid");
    ASSERT_TRUE(CopyMenu);
    ASSERT_EQ(CopyMenu->Items()->Count(), 3);
    TTBCustomItem *CopyOpen = CopyMenu->Items()->Items(0);
    EXPECT_EQ(CopyOpen->Name(), "TBI_Open");
    EXPECT_EQ(CopyOpen->ImageIndex(), 3);
    EXPECT_TRUE(dynamic_cast<TTBSeparatorItem *>(CopyMenu->Items()->Items(1)));
    TTBCustomItem *CopyMore = CopyMenu->Items()->Items(2);
    ASSERT_EQ(CopyMore->Count(), 1);
    EXPECT_EQ(CopyMore->Items(0)->Caption(), "Inner");
    EXPECT_TRUE(CopyMore->Items(0)->Checked());
    EXPECT_EQ(CopyMenu->Images(), Named<TImageList>("IL_Menu"));
    EXPECT_EQ(CopyMenu->Options(), TTBItemOptions{tboShowHint});
    EXPECT_EQ(CopyMenu->Alignment(), paRight);
    EXPECT_EQ(CopyMenu->TrackButton(), tbLeftButton);
    ASSERT_TRUE(CopyOpen->OnClick);
    CopyOpen->Click();
    EXPECT_EQ(Copy->Clicked, std::vector<TObject *>{CopyOpen});
}

TEST_F(StreamingTest, AMenuKeepsItsOwnSkinAndTakesNoneWhereItHadNone)
{
    auto *Skin = Make<TTBSkin>("SK_Own");
    Make<TTBPopupMenu>("PM_Own")->SetSkin(Skin);
    Make<TTBPopupMenu>("PM_Plain");

    RoundTrip();

    EXPECT_EQ(Named<TTBPopupMenu>("PM_Own")->Skin(), Named<TTBSkin>("SK_Own"));
    EXPECT_EQ(Named<TTBPopupMenu>("PM_Plain")->Skin(), DefaultSkin());
}

TEST_F(StreamingTest, AToolbarKeepsWhatItPublishes)
{
    auto *Dock = Make<TTBDock>("DK_Top");
    auto *Images = Make<TImageList>("IL_Bar");
    auto *Bar = Make<TTBToolbar>("TB_Tools");
    MakeItem<TTBItem>(Bar->Items(), "TBI_Cut", "Cut");
    MakeItem<TTBItem>(Bar->Items(), "TBI_Copy", "Copy");
    Bar->SetCaption("Tools");
    Bar->SetShrinkMode(tbsmWrap);
    Bar->SetFloatingWidth(120);
    Bar->SetChevronHint("Rest|");
    Bar->SetDockRow(2);
    Bar->SetDockPos(40);
    Bar->SetDockMode(dmCannotFloat);
    Bar->SetDockableTo({dpTop, dpBottom});
    Bar->SetDragHandleStyle(dhDouble);
    Bar->SetCloseButton(false);
    Bar->SetFullSize(true);
    Bar->SetHideWhenInactive(false);
    Bar->SetSystemFont(false);
    Bar->SetProcessShortCuts(true);
    Bar->SetUpdateActions(false);
    Bar->SetImages(Images);
    Bar->SetOptions({tboShowHint});
    Bar->SetDefaultDock(Dock);
    Bar->SetLastDock(Dock);
    Bar->SetAutoResize(false);
    Bar->SetBounds(0, 0, 150, 30);

    RoundTrip();

    auto *CopyBar = Named<TTBToolbar>("TB_Tools");
    ASSERT_TRUE(CopyBar);
    EXPECT_EQ(CopyBar->Caption(), "Tools");
    EXPECT_EQ(CopyBar->ShrinkMode(), tbsmWrap);
    EXPECT_EQ(CopyBar->FloatingWidth(), 120);
    EXPECT_EQ(CopyBar->ChevronHint(), "Rest|");
    EXPECT_EQ(CopyBar->DockRow(), 2);
    EXPECT_EQ(CopyBar->DockPos(), 40);
    EXPECT_EQ(CopyBar->DockMode(), dmCannotFloat);
    EXPECT_EQ(CopyBar->DockableTo(), (TTBDockableTo{dpTop, dpBottom}));
    EXPECT_EQ(CopyBar->DragHandleStyle(), dhDouble);
    EXPECT_FALSE(CopyBar->CloseButton());
    EXPECT_TRUE(CopyBar->FullSize());
    EXPECT_FALSE(CopyBar->HideWhenInactive());
    EXPECT_FALSE(CopyBar->SystemFont());
    EXPECT_TRUE(CopyBar->ProcessShortCuts());
    EXPECT_FALSE(CopyBar->UpdateActions());
    EXPECT_EQ(CopyBar->Images(), Named<TImageList>("IL_Bar"));
    EXPECT_EQ(CopyBar->Options(), TTBItemOptions{tboShowHint});
    EXPECT_EQ(CopyBar->DefaultDock(), Named<TTBDock>("DK_Top"));
    EXPECT_EQ(CopyBar->LastDock(), Named<TTBDock>("DK_Top"));
    EXPECT_FALSE(CopyBar->AutoResize());
    EXPECT_EQ(CopyBar->Width(), 150);
    ASSERT_EQ(CopyBar->Items()->Count(), 2);
    EXPECT_EQ(CopyBar->Items()->Items(1)->Caption(), "Copy");
}

TEST_F(StreamingTest, AToolbarKeepsItsDragAndDropHandlers)
{
    auto *Bar = Make<TTBToolbar>("TB_Tools");
    SetMethodProp(Bar, "OnDragOver", BindPublishedMethod(Source.get(), "TB_ToolsDragOver"));
    SetMethodProp(Bar, "OnDragDrop", BindPublishedMethod(Source.get(), "TB_ToolsDragDrop"));

    RoundTrip();

    auto *CopyBar = Named<TTBToolbar>("TB_Tools");
    ASSERT_TRUE(CopyBar);
    bool Accept = false;
    CopyBar->DragOver(CopyBar, 5, 6, dsDragMove, Accept);
    EXPECT_TRUE(Accept);
    CopyBar->DragOver(Copy.get(), 5, 6, dsDragMove, Accept);
    EXPECT_FALSE(Accept);
    CopyBar->DragDrop(CopyBar, 7, 8);
    ASSERT_EQ(Copy->Dropped.size(), 1u);
    EXPECT_EQ(Copy->Dropped[0].first, CopyBar);
    EXPECT_EQ(Copy->Dropped[0].second, TPoint(7, 8));
}

TEST_F(StreamingTest, AMenuBarReadBackIsStillAMenuBarWithItsOwnSettings)
{
    auto *Bar = Make<TTBToolbar>("TB_Menu");
    Bar->SetMenuBar(true);
    // Set after MenuBar, which changes them; the stream must not let MenuBar undo them.
    Bar->SetShrinkMode(tbsmNone);
    Bar->SetCloseButton(true);
    RoundTrip();
    auto *CopyBar = Named<TTBToolbar>("TB_Menu");
    ASSERT_TRUE(CopyBar);
    EXPECT_TRUE(CopyBar->MenuBar());
    EXPECT_EQ(CopyBar->ShrinkMode(), tbsmNone);
    EXPECT_TRUE(CopyBar->CloseButton());
    EXPECT_TRUE(CopyBar->FullSize());
    EXPECT_TRUE(CopyBar->ProcessShortCuts());
}

TEST_F(StreamingTest, ADockItsBackgroundAndAToolWindowKeepTheirSettings)
{
    auto *Background = Make<TTBBackground>("BG_Tiles");
    Background->SetBkColor(clNavy);
    Background->SetTransparent(true);
    auto *Dock = Make<TTBDock>("DK_Left");
    Dock->SetPosition(dpLeft);
    Dock->SetAllowDrag(false);
    Dock->SetBoundLines({blTop, blRight});
    Dock->SetFixAlign(true);
    Dock->SetLimitToOneRow(true);
    Dock->SetBackground(Background);
    Dock->SetBackgroundOnToolbars(false);
    auto *Window = Make<TTBToolWindow>("TW_Palette");
    Window->SetMinClientWidth(40);
    Window->SetMaxClientHeight(300);
    Window->SetClientAreaSize(90, 70);
    Window->SetResizable(false);
    Window->SetShowCaption(false);
    Window->SetDockTextAlign(taCenter);

    RoundTrip();

    auto *CopyDock = Named<TTBDock>("DK_Left");
    ASSERT_TRUE(CopyDock);
    EXPECT_EQ(CopyDock->Position(), dpLeft);
    EXPECT_FALSE(CopyDock->AllowDrag());
    EXPECT_EQ(CopyDock->BoundLines(), (TTBDockBoundLines{blTop, blRight}));
    EXPECT_TRUE(CopyDock->FixAlign());
    EXPECT_TRUE(CopyDock->LimitToOneRow());
    EXPECT_FALSE(CopyDock->BackgroundOnToolbars());
    auto *CopyBackground = Named<TTBBackground>("BG_Tiles");
    EXPECT_EQ(CopyDock->Background(), CopyBackground);
    ASSERT_TRUE(CopyBackground);
    EXPECT_EQ(CopyBackground->BkColor(), clNavy);
    EXPECT_TRUE(CopyBackground->Transparent());
    auto *CopyWindow = Named<TTBToolWindow>("TW_Palette");
    ASSERT_TRUE(CopyWindow);
    EXPECT_EQ(CopyWindow->MinClientWidth(), 40);
    EXPECT_EQ(CopyWindow->MaxClientHeight(), 300);
    EXPECT_EQ(CopyWindow->ClientAreaWidth(), 90);
    EXPECT_EQ(CopyWindow->ClientAreaHeight(), 70);
    EXPECT_FALSE(CopyWindow->Resizable());
    EXPECT_FALSE(CopyWindow->ShowCaption());
    EXPECT_EQ(CopyWindow->DockTextAlign(), taCenter);
}

TEST_F(StreamingTest, AContainerItsGroupsAndAToolbarImageListKeepTheirLinks)
{
    auto *Hot = Make<TImageList>("IL_Hot");
    auto *Pictures = Make<TTBImageList>("IL_Main");
    Pictures->SetHotImages(Hot);
    Pictures->SetImagesBitmapMaskColor(clLime);
    auto *Container = Make<TTBItemContainer>("IC_Shared");
    Container->SetImages(Pictures);
    auto *Shared = MakeItem<TTBSubmenuItem>(Container->Items(), "TBI_Shared", "Shared");
    MakeItem<TTBItem>(Shared, "TBI_Recent", "Recent");
    auto *Menu = Make<TTBPopupMenu>("PM_Main");
    auto *Group = Make<TTBGroupItem>("TBG_Shared");
    Menu->Items()->Add(Group);
    Group->SetLinkSubitems(Shared);
    Group->SetOptions({tboDefault});

    RoundTrip();

    auto *CopyPictures = Named<TTBImageList>("IL_Main");
    ASSERT_TRUE(CopyPictures);
    EXPECT_EQ(CopyPictures->HotImages(), Named<TImageList>("IL_Hot"));
    EXPECT_EQ(CopyPictures->ImagesBitmapMaskColor(), clLime);
    auto *CopyContainer = Named<TTBItemContainer>("IC_Shared");
    ASSERT_TRUE(CopyContainer);
    EXPECT_EQ(CopyContainer->Images(), CopyPictures);
    ASSERT_EQ(CopyContainer->Items()->Count(), 1);
    TTBCustomItem *CopyShared = CopyContainer->Items()->Items(0);
    ASSERT_EQ(CopyShared->Count(), 1);
    auto *CopyMenu = Named<TTBPopupMenu>("PM_Main");
    ASSERT_TRUE(CopyMenu);
    ASSERT_EQ(CopyMenu->Items()->Count(), 1);
    TTBCustomItem *CopyGroup = CopyMenu->Items()->Items(0);
    EXPECT_TRUE(dynamic_cast<TTBGroupItem *>(CopyGroup));
    EXPECT_EQ(CopyGroup->LinkSubitems(), CopyShared);
    EXPECT_EQ(CopyGroup->Options(), TTBItemOptions{tboDefault});
}

TEST_F(StreamingTest, TheBitmapsOfABackgroundAndOfAToolbarImageListGoWithThem)
{
    auto *Background = Make<TTBBackground>("BG_Tiles");
    TBitmap Tile;
    Tile.SetSize(9, 9);
    Tile.Canvas()->Brush()->SetColor(clMaroon);
    Tile.Canvas()->FillRect(TRect(0, 0, 9, 9));
    Tile.Canvas()->SetPixels(4, 4, clYellow);
    Background->SetBitmap(&Tile);
    auto *Pictures = Make<TTBImageList>("IL_Strip");
    TBitmap Strip;
    Strip.SetSize(48, 16);
    Strip.Canvas()->Brush()->SetColor(clGreen);
    Strip.Canvas()->FillRect(TRect(0, 0, 48, 16));
    Pictures->SetImagesBitmap(&Strip);

    RoundTrip();

    auto *CopyBackground = Named<TTBBackground>("BG_Tiles");
    ASSERT_TRUE(CopyBackground);
    TBitmap *Kept = CopyBackground->Bitmap();
    ASSERT_EQ(Kept->Width(), 9);
    EXPECT_EQ(Kept->Canvas()->Pixels(4, 4), clYellow);
    EXPECT_EQ(Kept->Canvas()->Pixels(0, 8), clMaroon);
    EXPECT_TRUE(CopyBackground->UsingBackground());
    auto *CopyPictures = Named<TTBImageList>("IL_Strip");
    ASSERT_TRUE(CopyPictures);
    EXPECT_EQ(CopyPictures->ImagesBitmap()->Width(), 48);
    EXPECT_EQ(CopyPictures->Count(), 3);
}

TEST_F(StreamingTest, AToolbarImageListKeepsItsPictureSizeAndCutsItsStripByIt)
{
    auto *Pictures = Make<TTBImageList>("IL_Wide");
    Pictures->SetWidth(24);
    Pictures->SetHeight(12);
    TBitmap Strip;
    Strip.SetSize(72, 12);
    const TColor Tiles[] = {clGreen, clNavy, clMaroon};
    for (int I = 0; I < 3; ++I) {
        Strip.Canvas()->Brush()->SetColor(Tiles[I]);
        Strip.Canvas()->FillRect(Bounds(I * 24, 0, 24, 12));
    }
    Pictures->SetImagesBitmap(&Strip);
    // A list of the default size reads back at that size.
    Make<TTBImageList>("IL_Plain");

    RoundTrip();

    auto *CopyPictures = Named<TTBImageList>("IL_Wide");
    ASSERT_TRUE(CopyPictures);
    EXPECT_EQ(CopyPictures->Width(), 24);
    EXPECT_EQ(CopyPictures->Height(), 12);
    ASSERT_EQ(CopyPictures->Count(), 3);
    TBitmap Drawn;
    Drawn.SetSize(24, 12);
    for (int I = 0; I < 3; ++I) {
        CopyPictures->Draw(Drawn.Canvas(), 0, 0, I);
        EXPECT_EQ(Drawn.Canvas()->Pixels(0, 0), Tiles[I]) << I;
        EXPECT_EQ(Drawn.Canvas()->Pixels(23, 11), Tiles[I]) << I;
    }
    auto *CopyPlain = Named<TTBImageList>("IL_Plain");
    ASSERT_TRUE(CopyPlain);
    EXPECT_EQ(CopyPlain->Width(), 16);
    EXPECT_EQ(CopyPlain->Height(), 16);
}

TEST_F(StreamingTest, ImageListsCarryTheirPicturesUnlessAStripRebuildsThem)
{
    auto *Added = Make<TTBImageList>("IL_Added");
    Added->SetWidth(20);
    Added->SetHeight(10);
    AddCornered(Added, clRed);
    AddCornered(Added, clBlue);
    auto *Menu = Make<TTBPopupMenu>("PM_Grid");
    auto *Plain = Make<TImageList>("IL_Menu");
    Plain->SetWidth(12);
    Plain->SetHeight(14);
    Plain->SetBkColor(clNavy);
    AddCornered(Plain, clGreen);
    AddCornered(Plain, clYellow);
    Menu->SetImages(Plain);
    MakeItem<TTBItem>(Menu->Items(), "TBI_Open", "Open")->SetImageIndex(1);
    // Pictures added after the strip are the strip's business, not the stream's.
    auto *Cut = Make<TTBImageList>("IL_Cut");
    TBitmap Strip;
    Strip.SetSize(48, 16);
    Strip.Canvas()->Brush()->SetColor(clGreen);
    Strip.Canvas()->FillRect(TRect(0, 0, 48, 16));
    Cut->SetImagesBitmap(&Strip);
    AddCornered(Cut, clRed);

    RoundTrip();

    auto *CopyAdded = Named<TTBImageList>("IL_Added");
    ASSERT_TRUE(CopyAdded);
    EXPECT_EQ(CopyAdded->Width(), 20);
    EXPECT_EQ(CopyAdded->Height(), 10);
    ASSERT_EQ(CopyAdded->Count(), 2);
    EXPECT_EQ(Shown(CopyAdded, 0), std::pair(clWhite, clRed));
    EXPECT_EQ(Shown(CopyAdded, 1), std::pair(clWhite, clBlue));
    auto *CopyPlain = Named<TImageList>("IL_Menu");
    ASSERT_TRUE(CopyPlain);
    EXPECT_EQ(Named<TTBPopupMenu>("PM_Grid")->Images(), CopyPlain);
    EXPECT_EQ(CopyPlain->Width(), 12);
    EXPECT_EQ(CopyPlain->Height(), 14);
    ASSERT_EQ(CopyPlain->Count(), 2);
    // The list's own background shows through the corner.
    EXPECT_EQ(Shown(CopyPlain, 0), std::pair(clNavy, clGreen));
    EXPECT_EQ(Shown(CopyPlain, 1), std::pair(clNavy, clYellow));
    auto *CopyCut = Named<TTBImageList>("IL_Cut");
    ASSERT_TRUE(CopyCut);
    ASSERT_EQ(CopyCut->Count(), 3);
    for (int I = 0; I < 3; ++I)
        EXPECT_EQ(Shown(CopyCut, I), std::pair(clGreen, clGreen)) << I;
}

TEST_F(StreamingTest, PictureDataOfAnotherShapeIsRefusedAndTheListKeepsItsPictures)
{
    TImageList Written(nullptr);
    AddCornered(&Written, clRed);
    AddCornered(&Written, clBlue);
    TMemoryStream Stream;
    TWriter(&Stream).WriteRootComponent(&Written);
    const auto *Bytes = static_cast<const char *>(Stream.Memory());
    const std::string Whole(Bytes, static_cast<std::size_t>(Stream.Size()));
    // The name, the binary value's type and length, then the strip's file.
    const std::size_t Name = Whole.find("\x06"
                                        "Bitmap\x0A");
    ASSERT_NE(Name, std::string::npos);
    const std::size_t Strip = Name + 12;
    ASSERT_EQ(Whole.substr(Strip, 2), "BM");
    // Each damage leaves enough bytes behind the header for the strip it claims.
    struct Damage {
        const char *What;
        std::size_t Offset;
        std::int32_t Value;
        int Size;
    };
    for (const Damage &D : {Damage{"lower", 22, 8, 4}, Damage{"narrower than two", 18, 24, 4},
                            Damage{"24-bit", 28, 24, 2}}) {
        std::string Damaged = Whole;
        std::memcpy(Damaged.data() + Strip + D.Offset, &D.Value, static_cast<std::size_t>(D.Size));
        TMemoryStream In;
        In.WriteBuffer(Damaged.data(), static_cast<int>(Damaged.size()));
        In.SetPosition(0);
        TImageList Kept(nullptr);
        AddCornered(&Kept, clGreen);
        try {
            TReader(&In).ReadRootComponent(&Kept);
            ADD_FAILURE() << D.What << " strip read";
        } catch (const EReadError &E) {
            EXPECT_EQ(E.Message(), "Invalid property value") << D.What;
        }
        ASSERT_EQ(Kept.Count(), 1) << D.What;
        EXPECT_EQ(Shown(&Kept, 0), std::pair(clWhite, clGreen)) << D.What;
    }
}

} // namespace
