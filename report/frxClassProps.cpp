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
    P.Property("DataSetName", &T::DataSetName, &T::SetDataSetName);
}

// The memo properties both memo classes publish.
template <class T> void PublishMemoCommon(rtl::Publisher<T> &P)
{
    P.Property("AutoWidth", &T::AutoWidth, &T::SetAutoWidth).Default(false);
    P.Property("BrushStyle", &T::BrushStyle, &T::SetBrushStyle).Default(bsSolid);
    P.Property("CharSpacing", &T::CharSpacing, &T::SetCharSpacing).Stored(&T::IsCharSpacingStored);
    P.Property("Color", &T::Color, &T::SetColor, rtl::TColorInfo()).Default(clNone);
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
    using T = TfrxMemoView;
    P.Property("AllowExpressions", &T::AllowExpressions, &T::SetAllowExpressions).Default(true);
    P.Property("AllowHTMLTags", &T::AllowHTMLTags, &T::SetAllowHTMLTags).Default(false);
    PublishMemoCommon(P);
    P.Property("Clipped", &T::Clipped, &T::SetClipped).Default(true);
    P.Property("Cursor", &T::Cursor, &T::SetCursor, rtl::TCursorInfo()).Default(0);
    P.Property("DataField", &T::DataField, &T::SetDataField);
    PublishDataSet(P);
    P.Property("DisplayFormat", &T::DisplayFormat, &T::SetDisplayFormat);
    P.Property("ExpressionDelimiters", &T::ExpressionDelimiters, &T::SetExpressionDelimiters)
        .Stored(&T::IsExpressionDelimitersStored);
    P.Property("FlowTo", &T::FlowTo, &T::SetFlowTo);
    PublishFont(P);
    P.Property("Frame", &T::Frame, &T::SetFrame);
    P.Property("GapX", &T::GapX, &T::SetGapX).Stored(&T::IsGapXStored);
    P.Property("GapY", &T::GapY, &T::SetGapY).Stored(&T::IsGapYStored);
    P.Property("HAlign", &T::HAlign, &T::SetHAlign).Default(haLeft);
    P.Property("HideZeros", &T::HideZeros, &T::SetHideZeros).Default(false);
    P.Property("Highlight", &T::Highlight, &T::SetHighlight).Stored(&T::IsHighlightStored);
    P.Property("LineSpacing", &T::LineSpacing, &T::SetLineSpacing).Stored(&T::IsLineSpacingStored);
    P.Property("Memo", &T::Memo, &T::SetMemo);
    P.Property("ParagraphGap", &T::ParagraphGap, &T::SetParagraphGap)
        .Stored(&T::IsParagraphGapStored);
    P.Property("Rotation", &T::Rotation, &T::SetRotation).Default(0);
    P.Property("RTLReading", &T::RTLReading, &T::SetRTLReading).Default(false);
    P.Property("StretchMode", &T::StretchMode, &T::SetStretchMode).Default(smDontStretch);
    P.Property("Style", &T::Style, &T::SetStyle);
    P.Property("SuppressRepeated", &T::SuppressRepeated, &T::SetSuppressRepeated).Default(false);
    P.Property("TagStr", &T::TagStr, &T::SetTagStr);
    P.Property("Underlines", &T::Underlines, &T::SetUnderlines).Default(false);
    P.Property("URL", &T::URL, &T::SetURL);
    P.Property("VAlign", &T::VAlign, &T::SetVAlign).Default(vaTop);
    P.Property("WordBreak", &T::WordBreak, &T::SetWordBreak).Default(false);
    P.Property("WordWrap", &T::WordWrap, &T::SetWordWrap).Default(true);
}
QRV4_PUBLISHED(TfrxMemoView)

void TfrxSysMemoView::Publish(rtl::Publisher<TfrxSysMemoView> &P)
{
    using T = TfrxSysMemoView;
    PublishMemoCommon(P);
    P.Property("DisplayFormat", &T::DisplayFormat, &T::SetDisplayFormat);
    PublishFont(P);
    P.Property("Frame", &T::Frame, &T::SetFrame);
    P.Property("GapX", &T::GapX, &T::SetGapX).Stored(&T::IsGapXStored);
    P.Property("GapY", &T::GapY, &T::SetGapY).Stored(&T::IsGapYStored);
    P.Property("HAlign", &T::HAlign, &T::SetHAlign).Default(haLeft);
    P.Property("HideZeros", &T::HideZeros, &T::SetHideZeros).Default(false);
    P.Property("Highlight", &T::Highlight, &T::SetHighlight).Stored(&T::IsHighlightStored);
    P.Property("Memo", &T::Memo, &T::SetMemo);
    P.Property("Rotation", &T::Rotation, &T::SetRotation).Default(0);
    P.Property("RTLReading", &T::RTLReading, &T::SetRTLReading).Default(false);
    P.Property("Style", &T::Style, &T::SetStyle);
    P.Property("SuppressRepeated", &T::SuppressRepeated, &T::SetSuppressRepeated).Default(false);
    P.Property("VAlign", &T::VAlign, &T::SetVAlign).Default(vaTop);
    P.Property("WordWrap", &T::WordWrap, &T::SetWordWrap).Default(true);
}
QRV4_PUBLISHED(TfrxSysMemoView)

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
                         TfrxNullBand::StaticClass(),      TfrxUserDataSet::StaticClass()});
    });
}
