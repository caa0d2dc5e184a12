// Lines, pictures and subreports.

#include "report/frxClass.h"

#include "controls/pngimage.h"
#include "platform/vcl/Jpeg.h"
#include "report/frxRes.h"
#include "report/frxUtils.h"
#include "report/frxXMLSerializer.h"

#include <array>
#include <cmath>
#include <cstring>

namespace
{

// A graphic of the kind whose data starts the stream, R bytes from the
// current position read into Probe; none when no kind fits. An icon needs a
// whole directory, so that data that merely starts with a zero word is not
// taken for one.
std::unique_ptr<TGraphic> NewPictureFor(const std::array<std::uint8_t, 100> &Probe, long long R)
{
    auto Word = [&](std::size_t At) { return std::uint16_t(Probe[At] | Probe[At + 1] << 8); };
    auto Long = [&](std::size_t At) {
        std::uint32_t Value;
        std::memcpy(&Value, Probe.data() + At, 4);
        return Value;
    };
    static constexpr std::uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (R >= 14 && Word(0) == 19778) return std::make_unique<TBitmap>();
    if (R >= 2 && Probe[0] == 0xFF && Probe[1] == 0xD8) return std::make_unique<TJPEGImage>();
    if (R >= 8 && std::memcmp(Probe.data(), PngSignature, 8) == 0)
        return std::make_unique<TPNGObject>();
    if ((R >= 22 && Long(0) == 0x9AC6CDD7) || (R >= 100 && Long(40) == 0x464D4520))
        return std::make_unique<TMetafile>();
    if (R >= 6 && Word(0) == 0 && Word(2) == 1 && Word(4) >= 1 && R >= 6 + 16LL * Word(4))
        return std::make_unique<TIcon>();
    return nullptr;
}

} // namespace

// ---- lines ----

TfrxCustomLineView::TfrxCustomLineView(TComponent *AOwner) : TfrxStretcheable(AOwner)
{
    SetPlainView(false);
}

TfrxCustomLineView::TfrxCustomLineView(TComponent *AOwner, unsigned short Flags)
    : TfrxCustomLineView(AOwner)
{
    FDiagonal = Flags != 0;
}

AnsiString TfrxCustomLineView::GetDescription() const
{
    return frxResources()->Get("obLine");
}

void TfrxCustomLineView::Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                              double OffsetY)
{
    if (!FDiagonal) {
        if (Height() >= Width()) {
            SetWidth(0);
            Frame()->SetTyp({ftLeft});
        } else {
            SetHeight(0);
            Frame()->SetTyp({ftTop});
        }
    }
    BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    if (FDiagonal)
        DrawDiagonalLine();
    else
        DrawFrame();
}

void TfrxCustomLineView::DrawDiagonalLine()
{
    if (Frame()->Color() == clNone || Frame()->Width() == 0) return;
    TBrush *Brush = FCanvas->Brush();
    Brush->SetStyle(bsSolid);
    if (Color() == clNone)
        Brush->SetStyle(bsClear);
    else
        Brush->SetColor(Color());
    TPen *Pen = FCanvas->Pen();
    Pen->SetColor(Frame()->Color());
    Pen->SetWidth(1);
    Pen->SetStyle(Frame()->Style() == fsDouble ? psSolid
                                               : static_cast<TPenStyle>(Frame()->Style()));
    DrawLine(FX, FY, FX1, FY1, FFrameWidth);
}

// ---- pictures ----

TfrxPictureView::TfrxPictureView(TComponent *AOwner)
    : TfrxView(AOwner), FPicture(std::make_unique<TPicture>())
{
    FPicture->OnChange = [this](TObject *Sender) { PictureChanged(Sender); };
    SetColor(clWhite);
    SetPlainView(false);
}

TfrxPictureView::~TfrxPictureView() = default;

AnsiString TfrxPictureView::GetDescription() const
{
    return frxResources()->Get("obPicture");
}

void TfrxPictureView::SetAutoSize(bool Value)
{
    FAutoSize = Value;
    if (!Value || !FPicture->Graphic() || FPicture->Graphic()->Empty()) return;
    SetWidth(FPicture->Width());
    SetHeight(FPicture->Height());
}

void TfrxPictureView::PictureChanged(TObject *)
{
    SetAutoSize(FAutoSize);
    FPictureModified = true;
}

void TfrxPictureView::GetData()
{
    TfrxView::GetData();
    if (!IsDataField() || !DataSet()->IsBlobField(DataField())) return;
    TMemoryStream Blob;
    DataSet()->AssignBlobTo(DataField(), &Blob);
    LoadPictureFromStream(&Blob);
}

std::int32_t TfrxPictureView::LoadPictureFromStream(TStream *Stream)
{
    const long long Size = Stream->Size();
    Stream->SetPosition(0);
    if (Size >= 8) {
        std::uint8_t Header[8];
        Stream->ReadBuffer(Header, 8);
        std::uint32_t Length;
        std::memcpy(&Length, Header + 4, 4);
        const bool DatabaseHeader = Header[0] == 1 && Header[1] == 0 && Header[2] == 0 &&
                                    Header[3] == 1 && Length == Size - 8;
        if (!DatabaseHeader) Stream->SetPosition(0);
    }
    const long long P = Stream->Position();
    const long long R = Size - P;
    std::array<std::uint8_t, 100> Probe{};
    if (R > 0) Stream->ReadBuffer(Probe.data(), static_cast<int>(std::min<long long>(R, 100)));
    Stream->SetPosition(P);
    // A picture we cannot read is reported, whatever the decoder made of it.
    if (std::unique_ptr<TGraphic> Graphic = NewPictureFor(Probe, R)) try {
            Graphic->LoadFromStream(Stream);
            FPicture->SetGraphic(std::move(Graphic));
            return 0;
        } catch (const Exception &) {
        } catch (const std::exception &) {
        }
    FPicture->SetGraphic(nullptr);
    return frxPictureInvalid;
}

TRect TfrxPictureView::PictureRect() const
{
    TRect R(FX, FY, FX1, FY1);
    const double PictureWidth = FPicture->Width(), PictureHeight = FPicture->Height();
    if (FStretched) {
        if (FKeepAspectRatio && PictureWidth > 0 && PictureHeight > 0) {
            const double kx = FDX / PictureWidth, ky = FDY / PictureHeight;
            if (ky > kx)
                R.Bottom = R.Top + frxNearest(PictureHeight * kx);
            else
                R.Right = R.Left + frxNearest(PictureWidth * ky);
            if (FCenter) {
                const int ShiftX = (FDX - R.Width()) / 2, ShiftY = (FDY - R.Height()) / 2;
                R = Rect(R.Left + ShiftX, R.Top + ShiftY, R.Right + ShiftX, R.Bottom + ShiftY);
            }
        }
        return R;
    }
    const int W = frxNearest(PictureWidth * FScaleX), H = frxNearest(PictureHeight * FScaleY);
    if (FCenter) {
        R.Left += (FDX - W) / 2;
        R.Top += (FDY - H) / 2;
    }
    return Bounds(R.Left, R.Top, W, H);
}

void TfrxPictureView::Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                           double OffsetY)
{
    BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    DrawBackground();
    // The designer's placeholder for an empty picture has no designer here to show in.
    TGraphic *Graphic = FPicture->Graphic();
    if (Graphic && !Graphic->Empty()) frxDrawGraphic(Canvas, PictureRect(), Graphic);
    DrawFrame();
}

AnsiString TfrxPictureView::Diff(TfrxComponent *Other)
{
    AnsiString Result;
    if (FPictureModified) {
        TfrxXMLSerializer Writer(nullptr);
        Writer.SetOwner(GetReport());
        Result = Writer.ObjToXML(FPicture.get(), "Picture.");
    }
    return Result + " " + TfrxView::Diff(Other);
}

// ---- subreports ----

TfrxSubreport::TfrxSubreport(TComponent *AOwner) : TfrxView(AOwner)
{
    Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
    Font()->SetName("Tahoma");
    Font()->SetSize(8);
    SetColor(clSilver);
}

TfrxSubreport::~TfrxSubreport()
{
    if (FPage) FPage->RemoveSubReport(this);
}

AnsiString TfrxSubreport::GetDescription() const
{
    return frxResources()->Get("obSubRep");
}

void TfrxSubreport::SetPage(TfrxReportPage *Value)
{
    // The page left behind prints as an ordinary page again, unless another subreport
    // still prints it: as the report's saved template reads back.
    if (FPage) FPage->RemoveSubReport(this);
    FPage = Value;
    if (!Value) return;
    Value->AddSubReport(this);
    Value->FreeNotification(this);
}

void TfrxSubreport::Notification(TComponent *AComponent, TOperation Operation)
{
    TfrxView::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPage) FPage = nullptr;
}

void TfrxSubreport::Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                         double OffsetY)
{
    TfrxView::Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    Canvas->Font()->Assign(Font());
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->TextOut(FX + 2, FY + 2, Name());
}
