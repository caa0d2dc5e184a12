#include "tests/rtl/Gadget.h"

QRV4_PUBLISHED(TFrameStyle)
QRV4_PUBLISHED(TGadgetItem)
QRV4_PUBLISHED(TGadget)
QRV4_PUBLISHED(TBigGadget)

void TFrameStyle::Publish(rtl::Publisher<TFrameStyle> &P)
{
    P.Property("Thickness", &TFrameStyle::Thickness, &TFrameStyle::SetThickness).Default(1);
    P.Property("Color", &TFrameStyle::Color, &TFrameStyle::SetColor, rtl::TColorInfo()).Default(0);
}

void TFrameStyle::DefineProperties(TFiler *Filer)
{
    Filer->DefineBinaryProperty(
        "Pattern",
        [this](TStream *Stream) {
            Pattern.resize(static_cast<std::size_t>(Stream->Size()));
            Stream->ReadBuffer(Pattern.data(), static_cast<int>(Pattern.size()));
        },
        [this](TStream *Stream) {
            Stream->WriteBuffer(Pattern.data(), static_cast<int>(Pattern.size()));
        },
        !Pattern.empty());
}

void TGadgetItem::Publish(rtl::Publisher<TGadgetItem> &P)
{
    P.Property("Label", &TGadgetItem::Label, &TGadgetItem::SetLabel);
    P.Property("Weight", &TGadgetItem::Weight, &TGadgetItem::SetWeight).Default(0);
}

TGadget::TGadget(TComponent *AOwner)
    : TComponent(AOwner), FFrame(std::make_unique<TFrameStyle>()),
      FItems(std::make_unique<TCollection>(TGadgetItem::StaticClass())),
      FLines(std::make_unique<TStringList>())
{
}

TGadget::~TGadget() = default;

void TGadget::SetBuddy(TGadget *Value)
{
    if (FBuddy) FBuddy->RemoveFreeNotification(this);
    FBuddy = Value;
    if (FBuddy) FBuddy->FreeNotification(this);
}

void TGadget::Notification(TComponent *AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FBuddy) FBuddy = nullptr;
}

void TGadget::Loaded()
{
    TComponent::Loaded();
    ++LoadedCalls;
}

void TGadget::GetChildren(TGetChildProc Proc, TComponent *Root)
{
    if (Root != this) return;
    for (int Index = 0; Index < ComponentCount(); ++Index)
        Proc(Components(Index));
}

void TGadget::DefineProperties(TFiler *Filer)
{
    TComponent::DefineProperties(Filer);
    Filer->DefineProperty(
        "Notes", [this](TReader *Reader) { Notes = Reader->ReadString(); },
        [this](TWriter *Writer) { Writer->WriteString(Notes); }, !Notes.IsEmpty());
    // Read-only: old streams carry it, new ones never write it.
    Filer->DefineProperty(
        "OldSum", [this](TReader *Reader) { FSum = Reader->ReadInteger(); }, nullptr, false);
}

void TGadget::Publish(rtl::Publisher<TGadget> &P)
{
    P.Property("Width", &TGadget::Width, &TGadget::SetWidth).Default(10);
    P.Property("Enabled", &TGadget::Enabled, &TGadget::SetEnabled).Default(true);
    P.Property("Shade", &TGadget::Shade, &TGadget::SetShade).Default(shMedium);
    P.Property("Marks", &TGadget::Marks, &TGadget::SetMarks).Default(TMarks{mkDot});
    P.Property("Letter", &TGadget::Letter, &TGadget::SetLetter).Default('A');
    P.Property("Glyph", &TGadget::Glyph, &TGadget::SetGlyph).Default(u'Ж');
    P.Property("Big", &TGadget::Big, &TGadget::SetBig).Default(0);
    P.Property("Level", &TGadget::Level, &TGadget::SetLevel).Default(0);
    P.Property("Ratio", &TGadget::Ratio, &TGadget::SetRatio);
    P.Property("Scale", &TGadget::Scale, &TGadget::SetScale);
    P.Property("Price", &TGadget::Price, &TGadget::SetPrice);
    P.Property("Stamp", &TGadget::Stamp, &TGadget::SetStamp, rtl::TDateTimeInfo());
    P.Property("Caption", &TGadget::Caption, &TGadget::SetCaption)
        .Stored(&TGadget::IsCaptionStored);
    P.Property("Hint", &TGadget::Hint, &TGadget::SetHint);
    P.Property("Value", &TGadget::Value, &TGadget::SetValue);
    P.Property("Color", &TGadget::Color, &TGadget::SetColor, rtl::TColorInfo()).Default(0xFF);
    P.Property("Secret", &TGadget::Secret, &TGadget::SetSecret).Stored(false);
    P.Property("Buddy", &TGadget::Buddy, &TGadget::SetBuddy);
    P.Property("Frame", &TGadget::Frame);
    P.Property("Items", &TGadget::Items);
    P.Property("Lines", &TGadget::Lines);
    P.Event("OnClick", &TGadget::OnClick).Stored(&TGadget::IsOnClickStored);
    P.Event("OnTick", &TGadget::OnTick);
    P.Method("GadgetClick", &TGadget::GadgetClick);
    P.Method("GadgetTick", &TGadget::GadgetTick);
}

void TBigGadget::Publish(rtl::Publisher<TBigGadget> &P)
{
    P.Property("Width", &TBigGadget::Width, &TBigGadget::SetWidth).Default(20);
    P.Property("Extra", &TBigGadget::Extra, &TBigGadget::SetExtra).Default(0);
    P.Method("BigClick", &TBigGadget::BigClick);
}

namespace
{

bool SameItems(const TCollection &A, const TCollection &B)
{
    if (A.Count() != B.Count()) return false;
    for (int Index = 0; Index < A.Count(); ++Index) {
        auto *X = static_cast<TGadgetItem *>(A.Items(Index));
        auto *Y = static_cast<TGadgetItem *>(B.Items(Index));
        if (X->Label() != Y->Label() || X->Weight() != Y->Weight()) return false;
    }
    return true;
}

AnsiString NameOf(const TComponent *C)
{
    return C ? C->Name() : AnsiString("(nil)");
}

} // namespace

bool SameGadget(const TGadget &A, const TGadget &B)
{
    return A.Name() == B.Name() && A.Tag() == B.Tag() && A.Width() == B.Width() &&
           A.Enabled() == B.Enabled() && A.Shade() == B.Shade() && A.Marks() == B.Marks() &&
           A.Letter() == B.Letter() && A.Glyph() == B.Glyph() && A.Big() == B.Big() &&
           A.Level() == B.Level() && A.Ratio() == B.Ratio() && A.Scale() == B.Scale() &&
           A.Price() == B.Price() && A.Stamp() == B.Stamp() && A.Caption() == B.Caption() &&
           A.Hint() == B.Hint() && VarType(A.Value()) == VarType(B.Value()) &&
           VarSameValue(A.Value(), B.Value()) && A.Color() == B.Color() &&
           A.Secret() == B.Secret() && NameOf(A.Buddy()) == NameOf(B.Buddy()) &&
           A.Frame()->Thickness() == B.Frame()->Thickness() &&
           A.Frame()->Color() == B.Frame()->Color() && A.Frame()->Pattern == B.Frame()->Pattern &&
           SameItems(*A.Items(), *B.Items()) && A.Lines()->Text() == B.Lines()->Text() &&
           A.Notes == B.Notes;
}
