#pragma once

// A component with a published property of every kind, for the type
// information and streaming tests.

#include "platform/rtl/ClassesFiler.h"

#include <cstdint>
#include <ostream>
#include <vector>

// Test failures show texts as text.
inline void PrintTo(const AnsiString &Text, std::ostream *Out)
{
    *Out << '"' << Text.ToUtf8() << '"';
}

QRV4_ENUM(TShade, shLight, shMedium, shDark)
QRV4_ENUM(TMark, mkStar, mkDot, mkRing)
using TMarks = Set<TMark>;
QRV4_SET_INFO(TMarks, TMark)
using TTickEvent = std::function<void(TObject *Sender, int &Count)>;
QRV4_METHOD_INFO(TTickEvent)

// A sub-object streamed as dotted properties, with bytes of its own.
class TFrameStyle : public TPersistent
{
    QRV4_CLASS(TFrameStyle, TPersistent)

public:
    TFrameStyle() = default;
    int Thickness() const { return FThickness; }
    void SetThickness(int Value) { FThickness = Value; }
    int Color() const { return FColor; }
    void SetColor(int Value) { FColor = Value; }
    std::vector<std::uint8_t> Pattern;

    static void Publish(rtl::Publisher<TFrameStyle> &P);

protected:
    void DefineProperties(TFiler *Filer) override;

private:
    int FThickness = 1;
    int FColor = 0;
};

class TGadgetItem : public TCollectionItem
{
    QRV4_CLASS(TGadgetItem, TCollectionItem)

public:
    explicit TGadgetItem(TCollection *Collection) : TCollectionItem(Collection) {}
    const AnsiString &Label() const { return FLabel; }
    void SetLabel(const AnsiString &Value) { FLabel = Value; }
    int Weight() const { return FWeight; }
    void SetWeight(int Value) { FWeight = Value; }

    static void Publish(rtl::Publisher<TGadgetItem> &P);

private:
    AnsiString FLabel;
    int FWeight = 0;
};

class TGadget : public TComponent
{
    QRV4_CLASS(TGadget, TComponent)

public:
    explicit TGadget(TComponent *AOwner);
    ~TGadget() override;

    int Width() const { return FWidth; }
    void SetWidth(int Value) { FWidth = Value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }
    TShade Shade() const { return FShade; }
    void SetShade(TShade Value) { FShade = Value; }
    TMarks Marks() const { return FMarks; }
    void SetMarks(TMarks Value) { FMarks = Value; }
    char Letter() const { return FLetter; }
    void SetLetter(char Value) { FLetter = Value; }
    char16_t Glyph() const { return FGlyph; }
    void SetGlyph(char16_t Value) { FGlyph = Value; }
    long long Big() const { return FBig; }
    void SetBig(long long Value) { FBig = Value; }
    unsigned char Level() const { return FLevel; }
    void SetLevel(unsigned char Value) { FLevel = Value; }
    double Ratio() const { return FRatio; }
    void SetRatio(double Value) { FRatio = Value; }
    float Scale() const { return FScale; }
    void SetScale(float Value) { FScale = Value; }
    Currency Price() const { return FPrice; }
    void SetPrice(Currency Value) { FPrice = Value; }
    TDateTime Stamp() const { return FStamp; }
    void SetStamp(TDateTime Value) { FStamp = Value; }
    const AnsiString &Caption() const { return FCaption; }
    void SetCaption(const AnsiString &Value) { FCaption = Value; }
    bool IsCaptionStored() const { return FCaption != "(auto)"; }
    const WideString &Hint() const { return FHint; }
    void SetHint(const WideString &Value) { FHint = Value; }
    const Variant &Value() const { return FValue; }
    void SetValue(const Variant &Value) { FValue = Value; }
    int Color() const { return FColor; }
    void SetColor(int Value) { FColor = Value; }
    int Secret() const { return FSecret; }
    void SetSecret(int Value) { FSecret = Value; }
    TGadget *Buddy() const { return FBuddy; }
    void SetBuddy(TGadget *Value);
    TFrameStyle *Frame() const { return FFrame.get(); }
    TCollection *Items() const { return FItems.get(); }
    TStrings *Lines() const { return FLines.get(); }
    int Sum() const { return FSum; }

    // Kept through a defined property, not a published one.
    AnsiString Notes;
    TNotifyEvent OnClick;
    TTickEvent OnTick;
    int LoadedCalls = 0;
    // Leaves OnClick out of streams, as an action that supplies the handler would.
    bool ClickLinked = false;
    bool IsOnClickStored() const { return !ClickLinked; }

    // Published for streams to bind events to.
    void GadgetClick(TObject *Sender) { ClickedBy.push_back(Sender); }
    void GadgetTick(TObject *, int &Count) { Count = FWidth; }
    std::vector<TObject *> ClickedBy;

    void GetChildren(TGetChildProc Proc, TComponent *Root) override;
    static void Publish(rtl::Publisher<TGadget> &P);

protected:
    void DefineProperties(TFiler *Filer) override;
    void Notification(TComponent *AComponent, TOperation Operation) override;
    void Loaded() override;

private:
    int FWidth = 10;
    bool FEnabled = true;
    TShade FShade = shMedium;
    TMarks FMarks{mkDot};
    char FLetter = 'A';
    char16_t FGlyph = u'Ж';
    long long FBig = 0;
    unsigned char FLevel = 0;
    double FRatio = 0;
    float FScale = 0;
    Currency FPrice;
    TDateTime FStamp = 0;
    AnsiString FCaption;
    WideString FHint;
    Variant FValue;
    int FColor = 0xFF;
    int FSecret = 7;
    int FSum = 0;
    TGadget *FBuddy = nullptr;
    std::unique_ptr<TFrameStyle> FFrame;
    std::unique_ptr<TCollection> FItems;
    std::unique_ptr<TStringList> FLines;
};

// Publishes Width again with another default, and one more property.
class TBigGadget : public TGadget
{
    QRV4_CLASS(TBigGadget, TGadget)

public:
    explicit TBigGadget(TComponent *AOwner) : TGadget(AOwner) { SetWidth(20); }
    int Extra() const { return FExtra; }
    void SetExtra(int Value) { FExtra = Value; }
    void BigClick(TObject *) { ++FExtra; }

    static void Publish(rtl::Publisher<TBigGadget> &P);

private:
    int FExtra = 0;
};

// Every streamed property of two gadgets, their frames and their items match.
bool SameGadget(const TGadget &A, const TGadget &B);
