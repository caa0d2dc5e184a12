#include "script/fs_igraphicsrtti.h"

#include "platform/vcl/Graphics.h"
#include "script/fs_isysrtti.h"

using namespace fs;

namespace
{

Variant NewInstance(TObject *, TfsMethodHelper &C)
{
    return ToVar(CreatedClass(C)->Create());
}

void RegisterColours(TfsScript *Script)
{
    GetColorValues([Script](const AnsiString &Name) {
        TColor Colour = 0;
        if (IdentToColor(Name, Colour)) Script->AddConst(Name, "Integer", Variant(Colour));
    });
}

void RegisterEnums(TfsScript *Script)
{
    Script->AddEnumSet("TFontStyles", "fsBold, fsItalic, fsUnderline, fsStrikeout");
    Script->AddEnum("TFontPitch", "fpDefault, fpVariable, fpFixed");
    Script->AddEnum("TPenStyle",
                    "psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame");
    Script->AddEnum("TPenMode", "pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, "
                                "pmMergePenNot, pmMaskPenNot, pmMergeNotPen, pmMaskNotPen, "
                                "pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor");
    Script->AddEnum("TBrushStyle", "bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, "
                                   "bsBDiagonal, bsCross, bsDiagCross");
}

TCanvas *Canvas(TObject *Instance)
{
    return Self<TCanvas>(Instance);
}

void RegisterCanvasDrawing(TfsClassVariable *Canvas)
{
    AddMembers(Canvas,
               {{"constructor Create", NewInstance},
                {"procedure Draw(X, Y: Integer; Graphic: TGraphic)",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     if (TGraphic *Graphic = Obj<TGraphic>(C, 2))
                         ::Canvas(Instance)->Draw(Int(C, 0), Int(C, 1), Graphic);
                     return Done();
                 }},
                {"procedure Ellipse(X1, Y1, X2, Y2: Integer)",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     ::Canvas(Instance)->Ellipse(Int(C, 0), Int(C, 1), Int(C, 2), Int(C, 3));
                     return Done();
                 }},
                {"procedure LineTo(X, Y: Integer)",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     ::Canvas(Instance)->LineTo(Int(C, 0), Int(C, 1));
                     return Done();
                 }},
                {"procedure MoveTo(X, Y: Integer)",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     ::Canvas(Instance)->MoveTo(Int(C, 0), Int(C, 1));
                     return Done();
                 }},
                {"procedure Rectangle(X1, Y1, X2, Y2: Integer)",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     ::Canvas(Instance)->Rectangle(Int(C, 0), Int(C, 1), Int(C, 2), Int(C, 3));
                     return Done();
                 }},
                {"procedure RoundRect(X1, Y1, X2, Y2, X3, Y3: Integer)",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     ::Canvas(Instance)->RoundRect(Int(C, 0), Int(C, 1), Int(C, 2), Int(C, 3),
                                                   Int(C, 4), Int(C, 5));
                     return Done();
                 }},
                {"procedure StretchDraw(X1, Y1, X2, Y2: Integer; Graphic: TGraphic)",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     if (TGraphic *Graphic = Obj<TGraphic>(C, 4))
                         ::Canvas(Instance)->StretchDraw(
                             Rect(Int(C, 0), Int(C, 1), Int(C, 2), Int(C, 3)), Graphic);
                     return Done();
                 }}});
}

void RegisterCanvasText(TfsClassVariable *Canvas)
{
    AddMembers(Canvas, {{"function TextHeight(const Text: string): Integer",
                         [](TObject *Instance, TfsMethodHelper &C) {
                             return Variant(::Canvas(Instance)->TextHeight(Str(C, 0)));
                         }},
                        {"procedure TextOut(X, Y: Integer; const Text: string)",
                         [](TObject *Instance, TfsMethodHelper &C) {
                             ::Canvas(Instance)->TextOut(Int(C, 0), Int(C, 1), Str(C, 2));
                             return Done();
                         }},
                        {"function TextWidth(const Text: string): Integer",
                         [](TObject *Instance, TfsMethodHelper &C) {
                             return Variant(::Canvas(Instance)->TextWidth(Str(C, 0)));
                         }}});
    AddIndexProperty(
        Canvas, TIndexKind::Plain, "Pixels", "Integer, Integer", "TColor",
        [](TObject *Instance, TfsMethodHelper &C, bool Setting) {
            if (Setting) ::Canvas(Instance)->SetPixels(Int(C, 0), Int(C, 1), Int(C, 2));
            return Variant(::Canvas(Instance)->Pixels(Int(C, 0), Int(C, 1)));
        },
        false);
}

void RegisterGraphic(TfsScript *Script)
{
    TfsClassVariable *Graphic = Script->AddClass(TGraphic::StaticClass(), "TPersistent");
    AddMembers(Graphic, {{"constructor Create", NewInstance},
                         {"procedure LoadFromFile(const Filename: string)",
                          [](TObject *Instance, TfsMethodHelper &C) {
                              Self<TGraphic>(Instance)->LoadFromFile(Str(C, 0));
                              return Done();
                          }},
                         {"procedure SaveToFile(const Filename: string)",
                          [](TObject *Instance, TfsMethodHelper &C) {
                              Self<TGraphic>(Instance)->SaveToFile(Str(C, 0));
                              return Done();
                          }}});
    AddProperty(
        Graphic, "Height", "Integer",
        [](TObject *Instance) { return Variant(Self<TGraphic>(Instance)->Height()); },
        [](TObject *Instance, const Variant &Value) {
            Self<TGraphic>(Instance)->SetHeight(fsVarToInt(Value));
        });
    AddProperty(
        Graphic, "Width", "Integer",
        [](TObject *Instance) { return Variant(Self<TGraphic>(Instance)->Width()); },
        [](TObject *Instance, const Variant &Value) {
            Self<TGraphic>(Instance)->SetWidth(fsVarToInt(Value));
        });
}

void RegisterPicture(TfsScript *Script)
{
    TfsClassVariable *Picture = Script->AddClass(TPicture::StaticClass(), "TPersistent");
    AddMembers(Picture, {{"procedure LoadFromFile(const Filename: string)",
                          [](TObject *Instance, TfsMethodHelper &C) {
                              Self<TPicture>(Instance)->LoadFromFile(Str(C, 0));
                              return Done();
                          }},
                         {"procedure SaveToFile(const Filename: string)",
                          [](TObject *Instance, TfsMethodHelper &C) {
                              Self<TPicture>(Instance)->SaveToFile(Str(C, 0));
                              return Done();
                          }}});
    AddProperty(Picture, "Height", "Integer",
                [](TObject *Instance) { return Variant(Self<TPicture>(Instance)->Height()); });
    AddProperty(Picture, "Width", "Integer",
                [](TObject *Instance) { return Variant(Self<TPicture>(Instance)->Width()); });
}

} // namespace

TfsGraphicsFunctions::TfsGraphicsFunctions(TfsScript *AScript) : TfsRTTIModule(AScript)
{
    RegisterColours(AScript);
    RegisterEnums(AScript);
    for (TClass Class : {TFont::StaticClass(), TPen::StaticClass(), TBrush::StaticClass()})
        AddMembers(AScript->AddClass(Class, "TPersistent"), {{"constructor Create", NewInstance}});
    TfsClassVariable *Canvas = AScript->AddClass(TCanvas::StaticClass(), "TPersistent");
    RegisterCanvasDrawing(Canvas);
    RegisterCanvasText(Canvas);
    RegisterGraphic(AScript);
    RegisterPicture(AScript);
    AScript->AddClass(TMetafile::StaticClass(), "TGraphic");
    AddMembers(AScript->AddClass(TMetafileCanvas::StaticClass(), "TCanvas"),
               {{"constructor Create(AMetafile: TMetafile; ReferenceDevice: Integer)",
                 [](TObject *, TfsMethodHelper &C) {
                     // The reference device is a handle the script holds as a number.
                     auto Device = reinterpret_cast<HDC>(static_cast<std::intptr_t>(Int(C, 1)));
                     return ToVar(new TMetafileCanvas(Obj<TMetafile>(C, 0), Device));
                 }}});
    AddProperty(AScript->AddClass(TBitmap::StaticClass(), "TGraphic"), "Canvas", "TCanvas",
                [](TObject *Instance) { return ToVar(Self<TBitmap>(Instance)->Canvas()); });
}
