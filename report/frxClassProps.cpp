// The published properties of the report classes, in the order templates
// carry them, and the classes templates may name.

#include "report/frxClass.h"

#include "report/frxClassRTTI.h"
#include "report/frxRes.h"
#include "report/frxVariables.h"

#include <mutex>

namespace
{

template <class T> void PublishBounds(rtl::Publisher<T> &P)
{
    P.Property("Left", &T::Left, &T::SetLeft);
    P.Property("Top", &T::Top, &T::SetTop);
    P.Property("Width", &T::Width, &T::SetWidth);
    P.Property("Height", &T::Height, &T::SetHeight);
}

template <class T> void PublishFont(rtl::Publisher<T> &P)
{
    P.Property("Font", &T::Font, &T::SetFont).Stored(&T::IsFontStored);
    P.Property("ParentFont", &T::ParentFont, &T::SetParentFont).Default(true);
}

template <class T> void PublishDataSet(rtl::Publisher<T> &P)
{
    P.Property("DataSet", &T::DataSet, &T::SetDataSet);
    P.Property("DataSetName", &T::GetDataSetName, &T::SetDataSetName);
}

// The view properties a view class adds, each from this list by name, in this order.
enum ViewExtra : unsigned {
    veBrushStyle = 1u << 0,
    veColor = 1u << 1,
    veCursor = 1u << 2,
    veDataField = 1u << 3,
    veDataSet = 1u << 4,
    veFrame = 1u << 5,
    veTagStr = 1u << 6,
    veURL = 1u << 7,
};

template <class T> void PublishViewExtras(rtl::Publisher<T> &P, unsigned Extras)
{
    if (Extras & veBrushStyle)
        P.Property("BrushStyle", &T::BrushStyle, &T::SetBrushStyle).Default(bsSolid);
    if (Extras & veColor)
        P.Property("Color", &T::Color, &T::SetColor, rtl::TColorInfo()).Default(clNone);
    if (Extras & veCursor)
        P.Property("Cursor", &T::Cursor, &T::SetCursor, rtl::TCursorInfo()).Default(0);
    if (Extras & veDataField) P.Property("DataField", &T::DataField, &T::SetDataField);
    if (Extras & veDataSet) PublishDataSet(P);
    if (Extras & veFrame) P.Property("Frame", &T::Frame, &T::SetFrame);
    if (Extras & veTagStr) P.Property("TagStr", &T::TagStr, &T::SetTagStr);
    if (Extras & veURL) P.Property("URL", &T::URL, &T::SetURL);
}

// The memo properties a memo class publishes, each from this list by name, in this order.
enum MemoProperty : unsigned long long {
    mpAllowExpressions = 1ull << 0,
    mpAllowHTMLTags = 1ull << 1,
    mpAutoWidth = 1ull << 2,
    mpBrushStyle = 1ull << 3,
    mpCharSpacing = 1ull << 4,
    mpColor = 1ull << 5,
    mpClipped = 1ull << 6,
    mpCursor = 1ull << 7,
    mpDataField = 1ull << 8,
    mpDataSet = 1ull << 9,
    mpDisplayFormat = 1ull << 10,
    mpExpressionDelimiters = 1ull << 11,
    mpFlowTo = 1ull << 12,
    mpFont = 1ull << 13,
    mpFrame = 1ull << 14,
    mpGapX = 1ull << 15,
    mpGapY = 1ull << 16,
    mpHAlign = 1ull << 17,
    mpHideZeros = 1ull << 18,
    mpHighlight = 1ull << 19,
    mpLineSpacing = 1ull << 20,
    mpMemo = 1ull << 21,
    mpParagraphGap = 1ull << 22,
    mpRotation = 1ull << 23,
    mpRTLReading = 1ull << 24,
    mpStretchMode = 1ull << 25,
    mpStyle = 1ull << 26,
    mpSuppressRepeated = 1ull << 27,
    mpTagStr = 1ull << 28,
    mpUnderlines = 1ull << 29,
    mpURL = 1ull << 30,
    mpVAlign = 1ull << 31,
    mpWordBreak = 1ull << 32,
    mpWordWrap = 1ull << 33,
    mpAll = (1ull << 34) - 1,
};

template <class T> void PublishMemo(rtl::Publisher<T> &P, unsigned long long Props)
{
    auto View = [&](MemoProperty Prop, ViewExtra Extra) {
        if (Props & Prop) PublishViewExtras(P, Extra);
    };
    if (Props & mpAllowExpressions)
        P.Property("AllowExpressions", &T::AllowExpressions, &T::SetAllowExpressions).Default(true);
    if (Props & mpAllowHTMLTags)
        P.Property("AllowHTMLTags", &T::AllowHTMLTags, &T::SetAllowHTMLTags).Default(false);
    if (Props & mpAutoWidth)
        P.Property("AutoWidth", &T::AutoWidth, &T::SetAutoWidth).Default(false);
    View(mpBrushStyle, veBrushStyle);
    if (Props & mpCharSpacing)
        P.Property("CharSpacing", &T::CharSpacing, &T::SetCharSpacing)
            .Stored(&T::IsCharSpacingStored);
    View(mpColor, veColor);
    if (Props & mpClipped) P.Property("Clipped", &T::Clipped, &T::SetClipped).Default(true);
    View(mpCursor, veCursor);
    View(mpDataField, veDataField);
    View(mpDataSet, veDataSet);
    if (Props & mpDisplayFormat)
        P.Property("DisplayFormat", &T::DisplayFormat, &T::SetDisplayFormat);
    if (Props & mpExpressionDelimiters)
        P.Property("ExpressionDelimiters", &T::ExpressionDelimiters, &T::SetExpressionDelimiters)
            .Stored(&T::IsExpressionDelimitersStored);
    if (Props & mpFlowTo) P.Property("FlowTo", &T::FlowTo, &T::SetFlowTo);
    if (Props & mpFont) PublishFont(P);
    View(mpFrame, veFrame);
    if (Props & mpGapX) P.Property("GapX", &T::GapX, &T::SetGapX).Stored(&T::IsGapXStored);
    if (Props & mpGapY) P.Property("GapY", &T::GapY, &T::SetGapY).Stored(&T::IsGapYStored);
    if (Props & mpHAlign) P.Property("HAlign", &T::HAlign, &T::SetHAlign).Default(haLeft);
    if (Props & mpHideZeros)
        P.Property("HideZeros", &T::HideZeros, &T::SetHideZeros).Default(false);
    if (Props & mpHighlight)
        P.Property("Highlight", &T::Highlight, &T::SetHighlight).Stored(&T::IsHighlightStored);
    if (Props & mpLineSpacing)
        P.Property("LineSpacing", &T::LineSpacing, &T::SetLineSpacing)
            .Stored(&T::IsLineSpacingStored);
    if (Props & mpMemo) P.Property("Memo", &T::Memo, &T::SetMemo);
    if (Props & mpParagraphGap)
        P.Property("ParagraphGap", &T::ParagraphGap, &T::SetParagraphGap)
            .Stored(&T::IsParagraphGapStored);
    if (Props & mpRotation) P.Property("Rotation", &T::Rotation, &T::SetRotation).Default(0);
    if (Props & mpRTLReading)
        P.Property("RTLReading", &T::RTLReading, &T::SetRTLReading).Default(false);
    if (Props & mpStretchMode)
        P.Property("StretchMode", &T::StretchMode, &T::SetStretchMode).Default(smDontStretch);
    if (Props & mpStyle) P.Property("Style", &T::Style, &T::SetStyle);
    if (Props & mpSuppressRepeated)
        P.Property("SuppressRepeated", &T::SuppressRepeated, &T::SetSuppressRepeated)
            .Default(false);
    View(mpTagStr, veTagStr);
    if (Props & mpUnderlines)
        P.Property("Underlines", &T::Underlines, &T::SetUnderlines).Default(false);
    View(mpURL, veURL);
    if (Props & mpVAlign) P.Property("VAlign", &T::VAlign, &T::SetVAlign).Default(vaTop);
    if (Props & mpWordBreak)
        P.Property("WordBreak", &T::WordBreak, &T::SetWordBreak).Default(false);
    if (Props & mpWordWrap) P.Property("WordWrap", &T::WordWrap, &T::SetWordWrap).Default(true);
}

} // namespace

void TfrxReportComponent::Publish(rtl::Publisher<TfrxReportComponent> &P)
{
    P.Property("Description", &TfrxReportComponent::Description,
               &TfrxReportComponent::SetDescription);
}
QRV4_PUBLISHED(TfrxReportComponent)

void TfrxDataSet::Publish(rtl::Publisher<TfrxDataSet> &P)
{
    P.Property("Enabled", &TfrxDataSet::Enabled, &TfrxDataSet::SetEnabled).Default(true);
    P.Property("RangeBegin", &TfrxDataSet::RangeBegin, &TfrxDataSet::SetRangeBegin)
        .Default(rbFirst);
    P.Property("RangeEnd", &TfrxDataSet::RangeEnd, &TfrxDataSet::SetRangeEnd).Default(reLast);
    P.Property("RangeEndCount", &TfrxDataSet::RangeEndCount, &TfrxDataSet::SetRangeEndCount)
        .Default(0);
    P.Property("UserName", &TfrxDataSet::UserName, &TfrxDataSet::SetUserName);
    P.Event("OnCheckEOF", &TfrxDataSet::OnCheckEOF);
    P.Event("OnFirst", &TfrxDataSet::OnFirst);
    P.Event("OnNext", &TfrxDataSet::OnNext);
    P.Event("OnPrior", &TfrxDataSet::OnPrior);
}
QRV4_PUBLISHED(TfrxDataSet)

void TfrxUserDataSet::Publish(rtl::Publisher<TfrxUserDataSet> &P)
{
    P.Property("Fields", &TfrxUserDataSet::Fields, &TfrxUserDataSet::SetFields);
    P.Event("OnGetValue", &TfrxUserDataSet::OnGetValue);
}
QRV4_PUBLISHED(TfrxUserDataSet)

void TfrxCustomDBDataSet::Publish(rtl::Publisher<TfrxCustomDBDataSet> &P)
{
    P.Property("CloseDataSource", &TfrxCustomDBDataSet::CloseDataSource,
               &TfrxCustomDBDataSet::SetCloseDataSource)
        .Default(false);
    P.Property("FieldAliases", &TfrxCustomDBDataSet::FieldAliases,
               &TfrxCustomDBDataSet::SetFieldAliases);
    P.Property("OpenDataSource", &TfrxCustomDBDataSet::OpenDataSource,
               &TfrxCustomDBDataSet::SetOpenDataSource)
        .Default(true);
    P.Event("OnClose", &TfrxCustomDBDataSet::OnClose);
    P.Event("OnOpen", &TfrxCustomDBDataSet::OnOpen);
}
QRV4_PUBLISHED(TfrxCustomDBDataSet)

void TfrxDataSetItem::Publish(rtl::Publisher<TfrxDataSetItem> &P)
{
    PublishDataSet(P);
}
QRV4_PUBLISHED(TfrxDataSetItem)

void TfrxEngineOptions::Publish(rtl::Publisher<TfrxEngineOptions> &P)
{
    using T = TfrxEngineOptions;
    P.Property("ConvertNulls", &T::ConvertNulls, &T::SetConvertNulls).Default(true);
    P.Property("DoublePass", &T::DoublePass, &T::SetDoublePass).Default(false);
    P.Property("MaxMemSize", &T::MaxMemSize, &T::SetMaxMemSize).Default(10);
    P.Property("PrintIfEmpty", &T::PrintIfEmpty, &T::SetPrintIfEmpty).Default(true);
    P.Property("SilentMode", &T::SilentMode, &T::SetSilentMode).Default(false);
    P.Property("NewSilentMode", &T::NewSilentMode, &T::SetNewSilentMode).Default(simMessageBoxes);
    P.Property("TempDir", &T::TempDir, &T::SetTempDir);
    P.Property("UseFileCache", &T::UseFileCache, &T::SetUseFileCache).Default(false);
}
QRV4_PUBLISHED(TfrxEngineOptions)

void TfrxPreviewOptions::Publish(rtl::Publisher<TfrxPreviewOptions> &P)
{
    using T = TfrxPreviewOptions;
    P.Property("AllowEdit", &T::AllowEdit, &T::SetAllowEdit).Default(true);
    P.Property("Buttons", &T::Buttons, &T::SetButtons).Default(DefaultButtons);
    P.Property("DoubleBuffered", &T::DoubleBuffered, &T::SetDoubleBuffered).Default(true);
    P.Property("Maximized", &T::Maximized, &T::SetMaximized).Default(true);
    P.Property("MDIChild", &T::MDIChild, &T::SetMDIChild).Default(false);
    P.Property("Modal", &T::Modal, &T::SetModal).Default(true);
    P.Property("OutlineExpand", &T::OutlineExpand, &T::SetOutlineExpand).Default(true);
    P.Property("OutlineVisible", &T::OutlineVisible, &T::SetOutlineVisible).Default(false);
    P.Property("OutlineWidth", &T::OutlineWidth, &T::SetOutlineWidth).Default(120);
    P.Property("ShowCaptions", &T::ShowCaptions, &T::SetShowCaptions).Default(false);
    P.Property("Zoom", &T::Zoom, &T::SetZoom);
    P.Property("ZoomMode", &T::ZoomMode, &T::SetZoomMode).Default(zmDefault);
}
QRV4_PUBLISHED(TfrxPreviewOptions)

void TfrxPrintOptions::Publish(rtl::Publisher<TfrxPrintOptions> &P)
{
    using T = TfrxPrintOptions;
    P.Property("Copies", &T::Copies, &T::SetCopies).Default(1);
    P.Property("Collate", &T::Collate, &T::SetCollate).Default(true);
    P.Property("PageNumbers", &T::PageNumbers, &T::SetPageNumbers);
    P.Property("Printer", &T::Printer, &T::SetPrinter);
    P.Property("PrintPages", &T::PrintPages, &T::SetPrintPages).Default(ppAll);
    P.Property("Reverse", &T::Reverse, &T::SetReverse).Default(false);
    P.Property("ShowDialog", &T::ShowDialog, &T::SetShowDialog).Default(true);
}
QRV4_PUBLISHED(TfrxPrintOptions)

void TfrxReportOptions::Publish(rtl::Publisher<TfrxReportOptions> &P)
{
    using T = TfrxReportOptions;
    P.Property("Author", &T::Author, &T::SetAuthor);
    P.Property("Compressed", &T::Compressed, &T::SetCompressed).Default(false);
    P.Property("ConnectionName", &T::ConnectionName, &T::SetConnectionName);
    P.Property("CreateDate", &T::CreateDate, &T::SetCreateDate, rtl::TDateTimeInfo());
    P.Property("Description", &T::Description, &T::SetDescription);
    P.Property("InitString", &T::InitString, &T::SetInitString);
    P.Property("Name", &T::Name, &T::SetName);
    P.Property("LastChange", &T::LastChange, &T::SetLastChange, rtl::TDateTimeInfo());
    P.Property("Password", &T::Password, &T::SetPassword);
    P.Property("Picture", &T::Picture, &T::SetPicture);
    P.Property("VersionBuild", &T::VersionBuild, &T::SetVersionBuild);
    P.Property("VersionMajor", &T::VersionMajor, &T::SetVersionMajor);
    P.Property("VersionMinor", &T::VersionMinor, &T::SetVersionMinor);
    P.Property("VersionRelease", &T::VersionRelease, &T::SetVersionRelease);
}
QRV4_PUBLISHED(TfrxReportOptions)

void TfrxFrame::Publish(rtl::Publisher<TfrxFrame> &P)
{
    using T = TfrxFrame;
    P.Property("Color", &T::Color, &T::SetColor, rtl::TColorInfo()).Default(clBlack);
    P.Property("DropShadow", &T::DropShadow, &T::SetDropShadow).Default(false);
    P.Property("ShadowColor", &T::ShadowColor, &T::SetShadowColor, rtl::TColorInfo())
        .Default(clBlack);
    P.Property("ShadowWidth", &T::ShadowWidth, &T::SetShadowWidth).Stored(&T::IsShadowWidthStored);
    P.Property("Style", &T::Style, &T::SetStyle).Default(fsSolid);
    P.Property("Typ", &T::Typ, &T::SetTyp).Default(TfrxFrameTypes());
    P.Property("Width", &T::Width, &T::SetWidth).Stored(&T::IsWidthStored);
}
QRV4_PUBLISHED(TfrxFrame)

void TfrxStyleItem::Publish(rtl::Publisher<TfrxStyleItem> &P)
{
    using T = TfrxStyleItem;
    P.Property("Name", &T::Name, &T::SetName);
    P.Property("Color", &T::Color, &T::SetColor, rtl::TColorInfo()).Default(clNone);
    P.Property("Font", &T::Font, &T::SetFont);
    P.Property("Frame", &T::Frame, &T::SetFrame);
}
QRV4_PUBLISHED(TfrxStyleItem)

void TfrxHighlight::Publish(rtl::Publisher<TfrxHighlight> &P)
{
    using T = TfrxHighlight;
    P.Property("Font", &T::Font, &T::SetFont);
    P.Property("Color", &T::Color, &T::SetColor, rtl::TColorInfo()).Default(clNone);
    P.Property("Condition", &T::Condition, &T::SetCondition);
}
QRV4_PUBLISHED(TfrxHighlight)

void TfrxFormat::Publish(rtl::Publisher<TfrxFormat> &P)
{
    using T = TfrxFormat;
    P.Property("DecimalSeparator", &T::DecimalSeparator, &T::SetDecimalSeparator);
    P.Property("FormatStr", &T::FormatStr, &T::SetFormatStr);
    P.Property("Kind", &T::Kind, &T::SetKind).Default(fkText);
}
QRV4_PUBLISHED(TfrxFormat)

void TfrxView::Publish(rtl::Publisher<TfrxView> &P)
{
    using T = TfrxView;
    P.Property("Align", &T::Align, &T::SetAlign).Default(baNone);
    P.Property("Printable", &T::Printable, &T::SetPrintable).Default(true);
    P.Property("ShiftMode", &T::ShiftMode, &T::SetShiftMode).Default(smAlways);
    PublishBounds(P);
    P.Property("GroupIndex", &T::GroupIndex, &T::SetGroupIndex).Default(0);
    P.Property("Restrictions", &T::Restrictions, &T::SetRestrictions).Default(TfrxRestrictions());
    P.Property("Visible", &T::Visible, &T::SetVisible).Default(true);
    P.Property("OnAfterData", &T::OnAfterData, &T::SetOnAfterData);
    P.Property("OnAfterPrint", &T::OnAfterPrint, &T::SetOnAfterPrint);
    P.Property("OnBeforePrint", &T::OnBeforePrint, &T::SetOnBeforePrint);
    P.Property("OnPreviewClick", &T::OnPreviewClick, &T::SetOnPreviewClick);
}
QRV4_PUBLISHED(TfrxView)

void TfrxMemoView::Publish(rtl::Publisher<TfrxMemoView> &P)
{
    PublishMemo(P, mpAll);
}
QRV4_PUBLISHED(TfrxMemoView)

void TfrxSysMemoView::Publish(rtl::Publisher<TfrxSysMemoView> &P)
{
    PublishMemo(P, mpAutoWidth | mpBrushStyle | mpCharSpacing | mpColor | mpDisplayFormat | mpFont |
                       mpFrame | mpGapX | mpGapY | mpHAlign | mpHideZeros | mpHighlight | mpMemo |
                       mpRotation | mpRTLReading | mpStyle | mpSuppressRepeated | mpVAlign |
                       mpWordWrap);
}
QRV4_PUBLISHED(TfrxSysMemoView)

// ---- shapes, lines, pictures and subreports ----

void TfrxShapeView::Publish(rtl::Publisher<TfrxShapeView> &P)
{
    using T = TfrxShapeView;
    PublishViewExtras(P, veBrushStyle | veColor | veCursor);
    P.Property("Curve", &T::Curve, &T::SetCurve).Default(0);
    PublishViewExtras(P, veFrame);
    P.Property("Shape", &T::Shape, &T::SetShape).Default(skRectangle);
    PublishViewExtras(P, veTagStr | veURL);
}
QRV4_PUBLISHED(TfrxShapeView)

void TfrxLineView::Publish(rtl::Publisher<TfrxLineView> &P)
{
    using T = TfrxLineView;
    P.Property("Diagonal", &T::Diagonal, &T::SetDiagonal).Default(false);
    PublishViewExtras(P, veFrame);
    P.Property("StretchMode", &T::StretchMode, &T::SetStretchMode).Default(smDontStretch);
}
QRV4_PUBLISHED(TfrxLineView)

void TfrxPictureView::Publish(rtl::Publisher<TfrxPictureView> &P)
{
    using T = TfrxPictureView;
    PublishViewExtras(P, veCursor);
    P.Property("AutoSize", &T::AutoSize, &T::SetAutoSize).Default(false);
    P.Property("Center", &T::Center, &T::SetCenter).Default(false);
    PublishViewExtras(P, veDataField | veDataSet | veFrame);
    P.Property("KeepAspectRatio", &T::KeepAspectRatio, &T::SetKeepAspectRatio).Default(true);
    P.Property("Picture", &T::Picture, &T::SetPicture);
    P.Property("Stretched", &T::Stretched, &T::SetStretched).Default(true);
    PublishViewExtras(P, veTagStr | veURL);
}
QRV4_PUBLISHED(TfrxPictureView)

void TfrxSubreport::Publish(rtl::Publisher<TfrxSubreport> &P)
{
    using T = TfrxSubreport;
    P.Property("Page", &T::Page, &T::SetPage);
    P.Property("PrintOnParent", &T::PrintOnParent, &T::SetPrintOnParent).Default(false);
}
QRV4_PUBLISHED(TfrxSubreport)

// ---- bands ----

void TfrxBand::Publish(rtl::Publisher<TfrxBand> &P)
{
    using T = TfrxBand;
    PublishFont(P);
    PublishBounds(P);
    P.Property("Restrictions", &T::Restrictions, &T::SetRestrictions).Default(TfrxRestrictions());
    P.Property("Vertical", &T::Vertical, &T::SetVertical).Default(false);
    P.Property("Visible", &T::Visible, &T::SetVisible).Default(true);
    P.Property("OnAfterCalcHeight", &T::OnAfterCalcHeight, &T::SetOnAfterCalcHeight);
    P.Property("OnAfterPrint", &T::OnAfterPrint, &T::SetOnAfterPrint);
    P.Property("OnBeforePrint", &T::OnBeforePrint, &T::SetOnBeforePrint);
}
QRV4_PUBLISHED(TfrxBand)

namespace
{

// The band switches a band class adds, each from this list by name.
enum BandExtra : unsigned {
    beAllowSplit = 1u << 0,
    beChild = 1u << 1,
    beKeepChild = 1u << 2,
    bePrintChildIfInvisible = 1u << 3,
    beStartNewPage = 1u << 4,
    beStretched = 1u << 5,
    bePrintOnFirstPage = 1u << 6,
    bePrintOnLastPage = 1u << 7,
    beReprintOnNewPage = 1u << 8,
    beCondition = 1u << 9,
    beKeepTogether = 1u << 10,
    beOutlineText = 1u << 11,
    bePrintOnTop = 1u << 12,
};

template <class T> void PublishBandExtras(rtl::Publisher<T> &P, unsigned Extras)
{
    if (Extras & beAllowSplit)
        P.Property("AllowSplit", &T::AllowSplit, &T::SetAllowSplit).Default(false);
    if (Extras & beChild) P.Property("Child", &T::Child, &T::SetChild);
    if (Extras & beCondition) P.Property("Condition", &T::Condition, &T::SetCondition);
    if (Extras & beKeepChild)
        P.Property("KeepChild", &T::KeepChild, &T::SetKeepChild).Default(false);
    if (Extras & beKeepTogether)
        P.Property("KeepTogether", &T::KeepTogether, &T::SetKeepTogether).Default(false);
    if (Extras & beOutlineText) P.Property("OutlineText", &T::OutlineText, &T::SetOutlineText);
    if (Extras & bePrintChildIfInvisible)
        P.Property("PrintChildIfInvisible", &T::PrintChildIfInvisible, &T::SetPrintChildIfInvisible)
            .Default(false);
    if (Extras & bePrintOnFirstPage)
        P.Property("PrintOnFirstPage", &T::PrintOnFirstPage, &T::SetPrintOnFirstPage).Default(true);
    if (Extras & bePrintOnLastPage)
        P.Property("PrintOnLastPage", &T::PrintOnLastPage, &T::SetPrintOnLastPage).Default(true);
    if (Extras & bePrintOnTop)
        P.Property("PrintOnTop", &T::PrintOnTop, &T::SetPrintOnTop).Default(false);
    if (Extras & beReprintOnNewPage)
        P.Property("ReprintOnNewPage", &T::ReprintOnNewPage, &T::SetReprintOnNewPage)
            .Default(false);
    if (Extras & beStartNewPage)
        P.Property("StartNewPage", &T::StartNewPage, &T::SetStartNewPage).Default(false);
    if (Extras & beStretched)
        P.Property("Stretched", &T::Stretched, &T::SetStretched).Default(false);
}

constexpr unsigned TitleExtras =
    beAllowSplit | beChild | beKeepChild | bePrintChildIfInvisible | beStartNewPage | beStretched;

} // namespace

#define QRV4_FRX_BAND_PUBLISH(Name, Extras)                                                        \
    void Name::Publish(rtl::Publisher<Name> &P)                                                    \
    {                                                                                              \
        PublishBandExtras(P, Extras);                                                              \
    }                                                                                              \
    QRV4_PUBLISHED(Name)

QRV4_FRX_BAND_PUBLISH(TfrxReportTitle, TitleExtras)
QRV4_FRX_BAND_PUBLISH(TfrxReportSummary, TitleExtras)
QRV4_FRX_BAND_PUBLISH(TfrxPageHeader,
                      beChild | bePrintChildIfInvisible | bePrintOnFirstPage | beStretched)
QRV4_FRX_BAND_PUBLISH(TfrxPageFooter, bePrintOnFirstPage | bePrintOnLastPage)
QRV4_FRX_BAND_PUBLISH(TfrxHeader, TitleExtras | beReprintOnNewPage)
QRV4_FRX_BAND_PUBLISH(TfrxFooter,
                      beAllowSplit | beChild | beKeepChild | bePrintChildIfInvisible | beStretched)
QRV4_FRX_BAND_PUBLISH(TfrxMasterData, 0)
QRV4_FRX_BAND_PUBLISH(TfrxDetailData, 0)
QRV4_FRX_BAND_PUBLISH(TfrxSubdetailData, 0)
QRV4_FRX_BAND_PUBLISH(TfrxDataBand4, 0)
QRV4_FRX_BAND_PUBLISH(TfrxDataBand5, 0)
QRV4_FRX_BAND_PUBLISH(TfrxDataBand6, 0)
QRV4_FRX_BAND_PUBLISH(TfrxGroupHeader, TitleExtras | beCondition | beKeepTogether |
                                           beReprintOnNewPage | beOutlineText)
QRV4_FRX_BAND_PUBLISH(TfrxGroupFooter,
                      beAllowSplit | beChild | beKeepChild | bePrintChildIfInvisible | beStretched)
QRV4_FRX_BAND_PUBLISH(TfrxChild, TitleExtras)
QRV4_FRX_BAND_PUBLISH(TfrxColumnHeader, beStretched)
QRV4_FRX_BAND_PUBLISH(TfrxColumnFooter, 0)
QRV4_FRX_BAND_PUBLISH(TfrxOverlay, bePrintOnTop)
QRV4_FRX_BAND_PUBLISH(TfrxNullBand, 0)
#undef QRV4_FRX_BAND_PUBLISH

void TfrxDataBand::Publish(rtl::Publisher<TfrxDataBand> &P)
{
    using T = TfrxDataBand;
    PublishBandExtras(P, beAllowSplit | beChild);
    P.Property("Columns", &T::Columns, &T::SetColumns).Default(0);
    P.Property("ColumnWidth", &T::ColumnWidth, &T::SetColumnWidth);
    P.Property("ColumnGap", &T::ColumnGap, &T::SetColumnGap);
    PublishDataSet(P);
    P.Property("FooterAfterEach", &T::FooterAfterEach, &T::SetFooterAfterEach).Default(false);
    PublishBandExtras(P, beKeepChild);
    P.Property("KeepFooter", &T::KeepFooter, &T::SetKeepFooter).Default(false);
    P.Property("KeepHeader", &T::KeepHeader, &T::SetKeepHeader).Default(false);
    PublishBandExtras(P, beKeepTogether | beOutlineText | bePrintChildIfInvisible);
    P.Property("PrintIfDetailEmpty", &T::PrintIfDetailEmpty, &T::SetPrintIfDetailEmpty)
        .Default(false);
    P.Property("RowCount", &T::RowCount, &T::SetRowCount).Default(0);
    PublishBandExtras(P, beStartNewPage | beStretched);
    P.Property("OnMasterDetail", &T::OnMasterDetail, &T::SetOnMasterDetail);
}
QRV4_PUBLISHED(TfrxDataBand)

// ---- pages and the report ----

void TfrxPage::Publish(rtl::Publisher<TfrxPage> &P)
{
    P.Property("Font", &TfrxPage::Font, &TfrxPage::SetFont).Stored(&TfrxPage::IsFontStored);
    P.Property("Visible", &TfrxPage::Visible, &TfrxPage::SetVisible).Default(true);
}
QRV4_PUBLISHED(TfrxPage)

void TfrxReportPage::Publish(rtl::Publisher<TfrxReportPage> &P)
{
    using T = TfrxReportPage;
    P.Property("Orientation", &T::Orientation, &T::SetOrientation).Default(poPortrait);
    P.Property("PaperWidth", &T::PaperWidth, &T::SetPaperWidth);
    P.Property("PaperHeight", &T::PaperHeight, &T::SetPaperHeight);
    P.Property("PaperSize", &T::PaperSize, &T::SetPaperSize);
    P.Property("LeftMargin", &T::LeftMargin, &T::SetLeftMargin);
    P.Property("RightMargin", &T::RightMargin, &T::SetRightMargin);
    P.Property("TopMargin", &T::TopMargin, &T::SetTopMargin);
    P.Property("BottomMargin", &T::BottomMargin, &T::SetBottomMargin);
    P.Property("MirrorMargins", &T::MirrorMargins, &T::SetMirrorMargins).Default(false);
    P.Property("Columns", &T::Columns, &T::SetColumns).Default(0);
    P.Property("ColumnWidth", &T::ColumnWidth, &T::SetColumnWidth);
    P.Property("ColumnPositions", &T::ColumnPositions, &T::SetColumnPositions);
    P.Property("Bin", &T::Bin, &T::SetBin).Default(7);
    P.Property("BinOtherPages", &T::BinOtherPages, &T::SetBinOtherPages).Default(7);
    P.Property("BackPicture", &T::BackPicture, &T::SetBackPicture);
    P.Property("Color", &T::Color, &T::SetColor, rtl::TColorInfo()).Default(clNone);
    P.Property("Frame", &T::Frame, &T::SetFrame);
    PublishDataSet(P);
    P.Property("Duplex", &T::Duplex, &T::SetDuplex).Default(dmNone);
    P.Property("LargeDesignHeight", &T::LargeDesignHeight, &T::SetLargeDesignHeight).Default(false);
    P.Property("OutlineText", &T::OutlineText, &T::SetOutlineText);
    P.Property("PrintIfEmpty", &T::PrintIfEmpty, &T::SetPrintIfEmpty).Default(true);
    P.Property("PrintOnPreviousPage", &T::PrintOnPreviousPage, &T::SetPrintOnPreviousPage)
        .Default(false);
    P.Property("TitleBeforeHeader", &T::TitleBeforeHeader, &T::SetTitleBeforeHeader).Default(true);
    P.Property("HGuides", &T::HGuides, &T::SetHGuides);
    P.Property("VGuides", &T::VGuides, &T::SetVGuides);
    P.Property("OnAfterPrint", &T::OnAfterPrint, &T::SetOnAfterPrint);
    P.Property("OnBeforePrint", &T::OnBeforePrint, &T::SetOnBeforePrint);
    P.Property("OnManualBuild", &T::OnManualBuild, &T::SetOnManualBuild);
}
QRV4_PUBLISHED(TfrxReportPage)

void TfrxReport::Publish(rtl::Publisher<TfrxReport> &P)
{
    using T = TfrxReport;
    P.Property("Version", &T::Version, &T::SetVersion);
    PublishDataSet(P);
    P.Property("DotMatrixReport", &T::DotMatrixReport, &T::SetDotMatrixReport).Default(false);
    P.Property("EngineOptions", &T::EngineOptions, &T::SetEngineOptions);
    P.Property("IniFile", &T::IniFile, &T::SetIniFile);
    P.Property("OldStyleProgress", &T::OldStyleProgress, &T::SetOldStyleProgress).Default(false);
    P.Property("Preview", &T::Preview, &T::SetPreview);
    P.Property("PreviewOptions", &T::PreviewOptions, &T::SetPreviewOptions);
    P.Property("PrintOptions", &T::PrintOptions, &T::SetPrintOptions);
    P.Property("ReportOptions", &T::ReportOptions, &T::SetReportOptions);
    P.Property("ScriptLanguage", &T::ScriptLanguage, &T::SetScriptLanguage);
    P.Property("ScriptText", &T::ScriptText, &T::SetScriptText);
    P.Property("ShowProgress", &T::ShowProgress, &T::SetShowProgress).Default(true);
    P.Property("StoreInDFM", &T::StoreInDFM, &T::SetStoreInDFM).Default(true);
    P.Property("OnRunDialogs", &T::OnRunDialogs, &T::SetOnRunDialogs);
    P.Property("OnStartReport", &T::OnStartReport, &T::SetOnStartReport);
    P.Property("OnStopReport", &T::OnStopReport, &T::SetOnStopReport);
}
QRV4_PUBLISHED(TfrxReport)

void frxRegisterReportClasses()
{
    static std::once_flag Once;
    std::call_once(Once, [] {
        frxResources();
        frxRegisterScriptModule();
        RegisterClasses({TfrxChild::StaticClass(),         TfrxColumnFooter::StaticClass(),
                         TfrxColumnHeader::StaticClass(),  TfrxCustomMemoView::StaticClass(),
                         TfrxMasterData::StaticClass(),    TfrxDetailData::StaticClass(),
                         TfrxSubdetailData::StaticClass(), TfrxDataBand4::StaticClass(),
                         TfrxDataBand5::StaticClass(),     TfrxDataBand6::StaticClass(),
                         TfrxFooter::StaticClass(),        TfrxFrame::StaticClass(),
                         TfrxGroupFooter::StaticClass(),   TfrxGroupHeader::StaticClass(),
                         TfrxHeader::StaticClass(),        TfrxHighlight::StaticClass(),
                         TfrxMemoView::StaticClass(),      TfrxOverlay::StaticClass(),
                         TfrxPageFooter::StaticClass(),    TfrxPageHeader::StaticClass(),
                         TfrxReport::StaticClass(),        TfrxReportPage::StaticClass(),
                         TfrxReportSummary::StaticClass(), TfrxReportTitle::StaticClass(),
                         TfrxSysMemoView::StaticClass(),   TfrxStyleItem::StaticClass(),
                         TfrxNullBand::StaticClass(),      TfrxUserDataSet::StaticClass(),
                         TfrxLineView::StaticClass(),      TfrxCustomLineView::StaticClass(),
                         TfrxPictureView::StaticClass(),   TfrxShapeView::StaticClass(),
                         TfrxSubreport::StaticClass(),     TfrxDialogPage::StaticClass()});
    });
}
