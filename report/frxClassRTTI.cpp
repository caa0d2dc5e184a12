#include "report/frxClassRTTI.h"

#include "platform/rtl/DateUtils.h"
#include "report/frxClass.h"
#include "report/frxRes.h"
#include "report/frxVariables.h"
#include "script/fs_ihelpers.h"

#include <cmath>
#include <mutex>

namespace
{

using Caller = TfsMethodHelper;

template <class T> T *Self(TObject *Instance)
{
    return static_cast<T *>(Instance);
}

TObject *ObjectParam(Caller *Call, int Index)
{
    return fsVariantToObject(Call->GetVParam(Index));
}

// A stream argument; a script that passes something else gets an error, not a crash.
TStream *StreamParam(Caller *Call, int Index)
{
    auto *Stream = dynamic_cast<TStream *>(ObjectParam(Call, Index));
    if (!Stream) throw Exception(frxResources()->Get("clStreamExpected"));
    return Stream;
}

// A field-name argument of a data set's method or index property.
AnsiString FieldParam(Caller *Call)
{
    return VarToStr(Call->GetVParam(0));
}

// The engine walks the pages, bands and objects of a running report; a script that
// emptied, reloaded or freed one of them would pull them from under it.
bool InRunningReport(TfrxComponent *Component)
{
    const TfrxReport *Report = Component->GetReport();
    return Report && Report->Engine() && Report->Engine()->Running;
}

[[noreturn]] void RefuseRemoval()
{
    throw Exception(frxResources()->Get("clRunningObjects"));
}

void CheckChildrenKept(TfrxComponent *Component)
{
    if (InRunningReport(Component) && Component->Objects()->Count() > 0) RefuseRemoval();
}

// Stands before the plain object's Free for report objects; the report also owns
// the script that would go on running after it. Nil frees nothing, as for any object.
void FreeComponent(TfrxComponent *Component)
{
    if (!Component) return;
    if (InRunningReport(Component)) RefuseRemoval();
    if (Component == Component->GetReport())
        throw Exception(frxResources()->Get("clFreeOwnReport"));
    delete Component;
}

// A component placed inside itself or one of its own would have no root.
void SetParentChecked(TfrxComponent *Component, TfrxComponent *Parent)
{
    for (const TfrxComponent *Above = Parent; Above; Above = Above->Parent())
        if (Above == Component) throw Exception(frxResources()->Get("clParentItself"));
    Component->SetParent(Parent);
}

void AddConstants(TfsScript *Script)
{
    Script->AddConst("fr01cm", "Extended", fr01cm);
    Script->AddConst("fr1cm", "Extended", fr01cm * 10);
    Script->AddConst("fr01in", "Extended", 9.6);
    Script->AddConst("fr1in", "Extended", 96.0);
    Script->AddConst("fr1CharX", "Extended", 9.6);
    Script->AddConst("fr1CharY", "Extended", 17.0);
    Script->AddConst("clTransparent", "Integer", static_cast<int>(clNone));
    Script->AddConst("crHand", "Integer", 150);
    Script->AddConst("crZoom", "Integer", 151);
    Script->AddConst("crFormat", "Integer", 152);
}

// Every member of each enumeration, in its declared order, so a script's
// value is the class's value.
void AddEnumerations(TfsScript *Script)
{
    Script->AddEnum("TfrxStretchMode", "smDontStretch, smActualHeight, smMaxHeight");
    Script->AddEnum("TfrxShiftMode", "smDontShift, smAlways, smWhenOverlapped");
    Script->AddEnum("TfrxDuplexMode", "dmNone, dmVertical, dmHorizontal, dmSimplex");
    Script->AddEnum("TfrxAlign", "baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient");
    Script->AddEnum("TfrxFrameStyle", "fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble");
    Script->AddEnumSet("TfrxFrameTypes", "ftLeft, ftRight, ftTop, ftBottom");
    Script->AddEnum("TfrxHAlign", "haLeft, haRight, haCenter, haBlock");
    Script->AddEnum("TfrxVAlign", "vaTop, vaBottom, vaCenter");
    Script->AddEnumSet("TfrxRestrictions", "rfDontModify, rfDontSize, rfDontMove, rfDontDelete");
    Script->AddEnum("TfrxShapeKind", "skRectangle, skRoundRectangle, skEllipse, skTriangle, "
                                     "skDiamond, skDiagonal1, skDiagonal2");
    Script->AddEnumSet("TfrxPreviewButtons",
                       "pbPrint, pbLoad, pbSave, pbExport, pbZoom, pbFind, pbTree, pbPageSetup, "
                       "pbRefresh, pbTools, pbEdit, pbNavigator, pbExportQuick");
    Script->AddEnum("TfrxZoomMode", "zmDefault, zmWholePage, zmPageWidth, zmManyPages");
    Script->AddEnum("TfrxPrintPages", "ppAll, ppOdd, ppEven");
    Script->AddEnumSet("TfrxDMPFontStyles", "fsxBold, fsxItalic, fsxUnderline, fsxSuperScript, "
                                            "fsxSubScript, fsxCondensed, fsxWide, fsx12cpi, "
                                            "fsx15cpi");
    Script->AddEnum("TfrxRangeBegin", "rbFirst, rbCurrent");
    Script->AddEnum("TfrxRangeEnd", "reLast, reCurrent, reCount");
    Script->AddEnum("TfrxFieldType", "fftNumeric, fftString, fftBoolean");
    Script->AddEnum("TfrxFormatKind", "fkText, fkNumeric, fkDateTime, fkBoolean");
}

void AddWideStrings(TfsScript *Script)
{
    TfsClassVariable *C = Script->AddClass(TWideStrings::StaticClass(), "TPersistent");
    if (!C) return;
    using L = TWideStrings;
    C->AddMethod("function Add(const S: string): Integer",
                 [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                     return Variant(Self<L>(I)->Add(WideString(VarToStr(Call->GetVParam(0)))));
                 });
    C->AddMethod("function AddObject(const S: string; AObject: TObject): Integer",
                 [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                     return Variant(Self<L>(I)->AddObject(WideString(VarToStr(Call->GetVParam(0))),
                                                          ObjectParam(Call, 1)));
                 });
    C->AddMethod("procedure Clear", [](TObject *I, TClass, const AnsiString &, Caller *) {
        Self<L>(I)->Clear();
        return Variant(0);
    });
    C->AddMethod("procedure Delete(Index: Integer)",
                 [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                     Self<L>(I)->Delete(Call->GetVParam(0).AsInteger());
                     return Variant(0);
                 });
    C->AddMethod("function IndexOf(const S: string): Integer",
                 [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                     return Variant(Self<L>(I)->IndexOf(WideString(VarToStr(Call->GetVParam(0)))));
                 });
    C->AddMethod("procedure Insert(Index: Integer; const S: string)",
                 [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                     Self<L>(I)->Insert(Call->GetVParam(0).AsInteger(),
                                        WideString(VarToStr(Call->GetVParam(1))));
                     return Variant(0);
                 });
    C->AddMethod("procedure LoadFromFile(const FileName: string)",
                 [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                     Self<L>(I)->LoadFromFile(VarToStr(Call->GetVParam(0)));
                     return Variant(0);
                 });
    C->AddMethod("procedure LoadFromStream(Stream: TStream)",
                 [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                     Self<L>(I)->LoadFromStream(StreamParam(Call, 0));
                     return Variant(0);
                 });
    C->AddMethod("procedure SaveToFile(const FileName: string)",
                 [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                     Self<L>(I)->SaveToFile(VarToStr(Call->GetVParam(0)));
                     return Variant(0);
                 });
    C->AddMethod("procedure SaveToStream(Stream: TStream)",
                 [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                     Self<L>(I)->SaveToStream(StreamParam(Call, 0));
                     return Variant(0);
                 });
    C->AddProperty("Count", "Integer", [](TObject *I, TClass, const AnsiString &) {
        return Variant(Self<L>(I)->Count());
    });
    C->AddIndexProperty("Objects", "Integer", "TObject",
                        [](TObject *I, TClass, const AnsiString &Name, Caller *Call) {
                            L *List = Self<L>(I);
                            const int Index = Call->GetVParam(0).AsInteger();
                            if (Name == "OBJECTS.GET")
                                return fsObjectToVariant(List->Objects(Index));
                            List->SetObjects(Index, ObjectParam(Call, 1));
                            return Variant(0);
                        });
    C->AddDefaultProperty("Strings", "Integer", "string",
                          [](TObject *I, TClass, const AnsiString &Name, Caller *Call) {
                              L *List = Self<L>(I);
                              const int Index = Call->GetVParam(0).AsInteger();
                              if (Name == "STRINGS.GET")
                                  return Variant(AnsiString(List->Get(Index)));
                              List->Put(Index, WideString(VarToStr(Call->GetVParam(1))));
                              return Variant(0);
                          });
    C->AddProperty(
        "Text", "string",
        [](TObject *I, TClass, const AnsiString &) {
            return Variant(AnsiString(Self<L>(I)->Text()));
        },
        [](TObject *I, TClass, const AnsiString &, const Variant &Value) {
            Self<L>(I)->SetText(WideString(VarToStr(Value)));
        });
}

void AddDataSets(TfsScript *Script)
{
    using D = TfrxDataSet;
    if (TfsClassVariable *C = Script->AddClass(D::StaticClass(), "TComponent")) {
        auto Plain = [C](const char *Declaration, void (D::*Operation)()) {
            C->AddMethod(Declaration,
                         [Operation](TObject *I, TClass, const AnsiString &, Caller *) {
                             (Self<D>(I)->*Operation)();
                             return Variant(0);
                         });
        };
        Plain("procedure Open", &D::Open);
        Plain("procedure Close", &D::Close);
        Plain("procedure First", &D::First);
        Plain("procedure Next", &D::Next);
        Plain("procedure Prior", &D::Prior);
        C->AddMethod("function Eof: Boolean", [](TObject *I, TClass, const AnsiString &, Caller *) {
            return Variant(Self<D>(I)->Eof());
        });
        C->AddMethod("function FieldsCount: Integer",
                     [](TObject *I, TClass, const AnsiString &, Caller *) {
                         return Variant(Self<D>(I)->FieldsCount());
                     });
        C->AddMethod("function HasField(const fName: String): Boolean",
                     [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                         return Variant(Self<D>(I)->HasField(VarToStr(Call->GetVParam(0))));
                     });
        C->AddMethod("function IsBlobField(const fName: String): Boolean",
                     [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                         return Variant(Self<D>(I)->IsBlobField(FieldParam(Call)));
                     });
        C->AddMethod("function RecordCount: Integer",
                     [](TObject *I, TClass, const AnsiString &, Caller *) {
                         return Variant(Self<D>(I)->RecordCount());
                     });
        C->AddMethod("procedure GetFieldList(List: TStrings)",
                     [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                         auto *List = dynamic_cast<TStrings *>(ObjectParam(Call, 0));
                         if (!List) throw Exception(frxResources()->Get("clStringsExpected"));
                         Self<D>(I)->GetFieldList(List);
                         return Variant(0);
                     });
        C->AddProperty("RecNo", "Integer", [](TObject *I, TClass, const AnsiString &) {
            return Variant(Self<D>(I)->RecNo());
        });
        C->AddIndexProperty(
            "DisplayText", "String", "String",
            [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                return Variant(Self<D>(I)->GetDisplayText(FieldParam(Call)));
            },
            true);
        C->AddIndexProperty(
            "DisplayWidth", "String", "Integer",
            [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                return Variant(Self<D>(I)->GetDisplayWidth(FieldParam(Call)));
            },
            true);
        C->AddIndexProperty(
            "FieldType", "String", "TfrxFieldType",
            [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                return Variant(static_cast<int>(Self<D>(I)->GetFieldType(FieldParam(Call))));
            },
            true);
        C->AddIndexProperty(
            "Value", "String", "Variant",
            [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                return Self<D>(I)->GetValue(FieldParam(Call));
            },
            true);
    }
    Script->AddClass(TfrxUserDataSet::StaticClass(), "TfrxDataSet");
    Script->AddClass(TfrxCustomDBDataSet::StaticClass(), "TfrxDataSet");
}

void AddComponents(TfsScript *Script)
{
    using C0 = TfrxComponent;
    if (TfsClassVariable *C = Script->AddClass(C0::StaticClass(), "TComponent")) {
        C->AddMethod("procedure Clear", [](TObject *I, TClass, const AnsiString &, Caller *) {
            CheckChildrenKept(Self<C0>(I));
            Self<C0>(I)->Clear();
            return Variant(0);
        });
        C->AddMethod("procedure Free", [](TObject *I, TClass, const AnsiString &, Caller *) {
             FreeComponent(Self<C0>(I));
             return Variant(0);
         })->NilAllowed = true;
        C->AddMethod("function FindObject(s: String): TfrxComponent",
                     [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                         return fsObjectToVariant(
                             Self<C0>(I)->FindObject(VarToStr(Call->GetVParam(0))));
                     });
        C->AddMethod("procedure LoadFromStream(Stream: TStream)",
                     [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                         CheckChildrenKept(Self<C0>(I));
                         Self<C0>(I)->LoadFromStream(StreamParam(Call, 0));
                         return Variant(0);
                     });
        C->AddMethod("procedure SaveToStream(Stream: TStream; SaveChildren: Boolean = True)",
                     [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                         Self<C0>(I)->SaveToStream(StreamParam(Call, 0),
                                                   Call->GetVParam(1).AsBoolean());
                         return Variant(0);
                     });
        C->AddMethod("procedure SetBounds(ALeft, ATop, AWidth, AHeight: Extended)",
                     [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                         Self<C0>(I)->SetBounds(
                             Call->GetVParam(0).AsDouble(), Call->GetVParam(1).AsDouble(),
                             Call->GetVParam(2).AsDouble(), Call->GetVParam(3).AsDouble());
                         return Variant(0);
                     });
        C->AddProperty("Objects", "TList", [](TObject *I, TClass, const AnsiString &) {
            return fsObjectToVariant(Self<C0>(I)->Objects());
        });
        C->AddProperty("AllObjects", "TList", [](TObject *I, TClass, const AnsiString &) {
            return fsObjectToVariant(Self<C0>(I)->GetAllObjects());
        });
        C->AddProperty(
            "Parent", "TfrxComponent",
            [](TObject *I, TClass, const AnsiString &) {
                return fsObjectToVariant(Self<C0>(I)->Parent());
            },
            [](TObject *I, TClass, const AnsiString &, const Variant &Value) {
                SetParentChecked(Self<C0>(I), dynamic_cast<C0 *>(fsVariantToObject(Value)));
            });
        C->AddProperty("Page", "TfrxPage", [](TObject *I, TClass, const AnsiString &) {
            return fsObjectToVariant(Self<C0>(I)->GetPage());
        });
        C->AddProperty("AbsLeft", "Extended", [](TObject *I, TClass, const AnsiString &) {
            return Variant(Self<C0>(I)->GetAbsLeft());
        });
        C->AddProperty("AbsTop", "Extended", [](TObject *I, TClass, const AnsiString &) {
            return Variant(Self<C0>(I)->GetAbsTop());
        });
    }
    Script->AddClass(TfrxReportComponent::StaticClass(), "TfrxComponent");
    Script->AddClass(TfrxDialogComponent::StaticClass(), "TfrxReportComponent");
    if (TfsClassVariable *C =
            Script->AddClass(TfrxDialogControl::StaticClass(), "TfrxReportComponent"))
        C->AddMethod("procedure SetFocus", [](TObject *I, TClass, const AnsiString &, Caller *) {
            Self<TfrxDialogControl>(I)->SetFocus();
            return Variant();
        });
    for (TClass Persistent :
         {TfrxFrame::StaticClass(), TfrxHighlight::StaticClass(), TfrxFormat::StaticClass(),
          TfrxEngineOptions::StaticClass(), TfrxPrintOptions::StaticClass(),
          TfrxPreviewOptions::StaticClass(), TfrxReportOptions::StaticClass()})
        Script->AddClass(Persistent, "TPersistent");
    if (TfsClassVariable *C = Script->AddClass(TfrxView::StaticClass(), "TfrxReportComponent"))
        C->AddProperty(
            "TagStr", "String",
            [](TObject *I, TClass, const AnsiString &) {
                return Variant(Self<TfrxView>(I)->TagStr());
            },
            [](TObject *I, TClass, const AnsiString &, const Variant &Value) {
                Self<TfrxView>(I)->SetTagStr(VarToStr(Value));
            });
    if (TfsClassVariable *C = Script->AddClass(TfrxStretcheable::StaticClass(), "TfrxView"))
        C->AddMethod("function CalcHeight: Extended",
                     [](TObject *I, TClass, const AnsiString &, Caller *) {
                         return Variant(Self<TfrxStretcheable>(I)->CalcHeight());
                     });
    using M = TfrxCustomMemoView;
    if (TfsClassVariable *C = Script->AddClass(M::StaticClass(), "TfrxStretcheable")) {
        C->AddMethod("function CalcWidth: Extended",
                     [](TObject *I, TClass, const AnsiString &, Caller *) {
                         return Variant(Self<M>(I)->CalcWidth());
                     });
        C->AddProperty(
            "Text", "String",
            [](TObject *I, TClass, const AnsiString &) {
                return Variant(AnsiString(Self<M>(I)->Text()));
            },
            [](TObject *I, TClass, const AnsiString &, const Variant &Value) {
                Self<M>(I)->SetText(WideString(VarToStr(Value)));
            });
        C->AddProperty(
            "Lines", "TWideStrings",
            [](TObject *I, TClass, const AnsiString &) {
                return fsObjectToVariant(Self<M>(I)->Memo());
            },
            [](TObject *I, TClass, const AnsiString &, const Variant &Value) {
                Self<M>(I)->Memo()->Assign(dynamic_cast<TPersistent *>(fsVariantToObject(Value)));
            });
        C->AddProperty("Value", "Variant",
                       [](TObject *I, TClass, const AnsiString &) { return Self<M>(I)->Value(); });
    }
    Script->AddClass(TfrxMemoView::StaticClass(), "TfrxCustomMemoView");
    Script->AddClass(TfrxShapeView::StaticClass(), "TfrxView");
    Script->AddClass(TfrxCustomLineView::StaticClass(), "TfrxStretcheable");
    Script->AddClass(TfrxLineView::StaticClass(), "TfrxCustomLineView");
    Script->AddClass(TfrxSubreport::StaticClass(), "TfrxView");
    if (TfsClassVariable *C = Script->AddClass(TfrxPictureView::StaticClass(), "TfrxView"))
        C->AddMethod("procedure LoadFromFile(filename: String)",
                     [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                         Self<TfrxPictureView>(I)->Picture()->LoadFromFile(
                             VarToStr(Call->GetVParam(0)));
                         return Variant(0);
                     });
    Script->AddClass(TfrxSysMemoView::StaticClass(), "TfrxCustomMemoView");
    if (TfsClassVariable *C = Script->AddClass(TfrxBand::StaticClass(), "TfrxReportComponent"))
        C->AddProperty("Overflow", "Boolean", [](TObject *I, TClass, const AnsiString &) {
            return Variant(Self<TfrxBand>(I)->Overflow());
        });
    Script->AddClass(TfrxDataBand::StaticClass(), "TfrxBand");
    for (TClass Band :
         {TfrxHeader::StaticClass(), TfrxFooter::StaticClass(), TfrxPageHeader::StaticClass(),
          TfrxPageFooter::StaticClass(), TfrxColumnHeader::StaticClass(),
          TfrxColumnFooter::StaticClass(), TfrxGroupHeader::StaticClass(),
          TfrxGroupFooter::StaticClass(), TfrxReportTitle::StaticClass(),
          TfrxReportSummary::StaticClass(), TfrxChild::StaticClass(), TfrxOverlay::StaticClass()})
        Script->AddClass(Band, "TfrxBand");
    for (TClass Band : {TfrxMasterData::StaticClass(), TfrxDetailData::StaticClass(),
                        TfrxSubdetailData::StaticClass(), TfrxDataBand4::StaticClass(),
                        TfrxDataBand5::StaticClass(), TfrxDataBand6::StaticClass()})
        Script->AddClass(Band, "TfrxDataBand");
    Script->AddClass(TfrxPage::StaticClass(), "TfrxComponent");
    Script->AddClass(TfrxReportPage::StaticClass(), "TfrxPage");
    if (TfsClassVariable *C = Script->AddClass(TfrxDialogPage::StaticClass(), "TfrxPage")) {
        C->AddMethod("function ShowModal: Integer",
                     [](TObject *I, TClass, const AnsiString &, Caller *) {
                         return Variant(Self<TfrxDialogPage>(I)->ShowModal());
                     });
        C->AddProperty(
            "ModalResult", "Integer",
            [](TObject *I, TClass, const AnsiString &) {
                return Variant(Self<TfrxDialogPage>(I)->GetModalResult());
            },
            [](TObject *I, TClass, const AnsiString &, const Variant &Value) {
                Self<TfrxDialogPage>(I)->SetModalResult(Value.AsInteger());
            });
    }
}

// The engine's operations and its position on the page, for report scripts.
void AddEngine(TfsScript *Script)
{
    using E = TfrxCustomEngine;
    TfsClassVariable *C = Script->AddClass(E::StaticClass(), "TPersistent");
    if (!C) return;
    C->AddMethod("procedure AddAnchor(const Text: String)",
                 [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                     if (TfrxCustomPreviewPages *Pages = Self<E>(I)->Report()->PreviewPages())
                         Pages->AddAnchor(VarToStr(Call->GetVParam(0)));
                     return Variant(0);
                 });
    auto Procedure = [C](const char *Declaration, void (E::*Operation)()) {
        C->AddMethod(Declaration, [Operation](TObject *I, TClass, const AnsiString &, Caller *) {
            (Self<E>(I)->*Operation)();
            return Variant(0);
        });
    };
    Procedure("procedure NewPage", &E::NewPage);
    Procedure("procedure NewColumn", &E::NewColumn);
    Procedure("procedure StopReport", &E::StopReport);
    C->AddMethod("procedure ShowBand(Band: TfrxBand)",
                 [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                     Self<E>(I)->ShowBand(dynamic_cast<TfrxBand *>(ObjectParam(Call, 0)));
                     return Variant(0);
                 });
    C->AddMethod("function FreeSpace: Extended",
                 [](TObject *I, TClass, const AnsiString &, Caller *) {
                     return Variant(Self<E>(I)->FreeSpace());
                 });
    C->AddMethod("function GetAnchorPage(const Text: String): Integer",
                 [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                     TfrxCustomPreviewPages *Pages = Self<E>(I)->Report()->PreviewPages();
                     return Variant(Pages ? Pages->GetAnchorPage(VarToStr(Call->GetVParam(0))) : 0);
                 });
    auto Field = [C](const char *Name, const char *Type, auto E::*Member) {
        C->AddProperty(
            Name, Type,
            [Member](TObject *I, TClass, const AnsiString &) {
                return Variant(Self<E>(I)->*Member);
            },
            [Member](TObject *I, TClass, const AnsiString &, const Variant &Value) {
                using T = std::remove_reference_t<decltype(Self<E>(I)->*Member)>;
                if constexpr (std::is_same_v<T, int>)
                    Self<E>(I)->*Member = Value.AsInteger();
                else if constexpr (std::is_same_v<T, bool>)
                    Self<E>(I)->*Member = Value.AsBoolean();
                else
                    Self<E>(I)->*Member = Value.AsDouble();
            });
    };
    Field("CurColumn", "Integer", &E::CurColumn);
    Field("CurVColumn", "Integer", &E::CurVColumn);
    Field("CurX", "Extended", &E::CurX);
    Field("CurY", "Extended", &E::CurY);
    Field("FinalPass", "Boolean", &E::FinalPass);
    Field("PageHeight", "Extended", &E::PageHeight);
    Field("PageWidth", "Extended", &E::PageWidth);
    Field("StartDate", "TDateTime", &E::StartDate);
    Field("StartTime", "TDateTime", &E::StartTime);
    Field("TotalPages", "Integer", &E::TotalPages);
    C->AddProperty("DoublePass", "Boolean", [](TObject *I, TClass, const AnsiString &) {
        return Variant(Self<E>(I)->DoublePass());
    });
}

// The outline of the prepared pages; an entry's top is where the engine stands.
void AddOutline(TfsScript *Script)
{
    using O = TfrxCustomOutline;
    TfsClassVariable *C = Script->AddClass(O::StaticClass(), "TPersistent");
    if (!C) return;
    C->AddMethod("procedure AddItem(const Text: String)", [](TObject *I, TClass, const AnsiString &,
                                                             Caller *Call) {
        O *Outline = Self<O>(I);
        const double Top = Outline->Engine() ? Outline->Engine()->CurY : 0;
        Outline->AddItem(VarToStr(Call->GetVParam(0)), static_cast<int>(std::nearbyint(Top)));
        return Variant(0);
    });
    C->AddMethod("procedure LevelRoot", [](TObject *I, TClass, const AnsiString &, Caller *) {
        Self<O>(I)->LevelRoot();
        return Variant(0);
    });
    C->AddMethod("procedure LevelUp", [](TObject *I, TClass, const AnsiString &, Caller *) {
        Self<O>(I)->LevelUp();
        return Variant(0);
    });
}

void AddReport(TfsScript *Script)
{
    Script->AddClass(TfrxVariable::StaticClass(), "TCollectionItem");
    if (TfsClassVariable *C = Script->AddClass(TfrxVariables::StaticClass(), "TCollection"))
        C->AddDefaultProperty("Variables", "String", "Variant",
                              [](TObject *I, TClass, const AnsiString &Name, Caller *Call) {
                                  auto *List = Self<TfrxVariables>(I);
                                  const AnsiString Key = VarToStr(Call->GetVParam(0));
                                  if (Name == "VARIABLES.GET") return List->Get(Key);
                                  List->Set(Key, Call->GetVParam(1));
                                  return Variant(0);
                              });
    using R = TfrxReport;
    if (TfsClassVariable *C = Script->AddClass(R::StaticClass(), "TfrxComponent")) {
        C->AddMethod("function Calc(const Expr: String): Variant",
                     [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                         return Self<R>(I)->Calc(VarToStr(Call->GetVParam(0)));
                     });
        C->AddMethod("function GetDataset(const Alias: String): TfrxDataset",
                     [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                         return fsObjectToVariant(
                             Self<R>(I)->GetDataset(VarToStr(Call->GetVParam(0))));
                     });
        C->AddMethod("function LoadFromFile(const FileName: String): Boolean",
                     [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                         CheckChildrenKept(Self<R>(I));
                         return Variant(Self<R>(I)->LoadFromFile(VarToStr(Call->GetVParam(0))));
                     });
        C->AddMethod("procedure SaveToFile(const FileName: String)",
                     [](TObject *I, TClass, const AnsiString &, Caller *Call) {
                         Self<R>(I)->SaveToFile(VarToStr(Call->GetVParam(0)));
                         return Variant(0);
                     });
        C->AddMethod("procedure ShowReport", [](TObject *I, TClass, const AnsiString &, Caller *) {
            Self<R>(I)->ShowReport();
            return Variant(0);
        });
        C->AddProperty(
            "Terminated", "Boolean",
            [](TObject *I, TClass, const AnsiString &) {
                return Variant(Self<R>(I)->Terminated());
            },
            [](TObject *I, TClass, const AnsiString &, const Variant &Value) {
                Self<R>(I)->SetTerminated(Value.AsBoolean());
            });
        C->AddProperty("Variables", "TfrxVariables", [](TObject *I, TClass, const AnsiString &) {
            return fsObjectToVariant(Self<R>(I)->Variables());
        });
    }
    AddEngine(Script);
    AddOutline(Script);
}

// The date parts as the library writes them: the day, the month, the year's digits.
void AddFunctions(TfsScript *Script)
{
    auto DatePart = [](const char *Format) {
        return [Format](TObject *, TClass, const AnsiString &, Caller *Call) {
            return Variant(FormatDateTime(Format, Call->GetVParam(0).AsDateTime()).ToInt());
        };
    };
    Script->AddMethod("function DayOf(Date: TDateTime): Integer", DatePart("d"), "ctDate");
    Script->AddMethod("function MonthOf(Date: TDateTime): Integer", DatePart("m"), "ctDate");
    Script->AddMethod("function YearOf(Date: TDateTime): Integer", DatePart("yyyy"), "ctDate");
    // Declared so that scripts compile; a report's preparation answers them.
    auto Zero = [](TObject *, TClass, const AnsiString &, Caller *) { return Variant(0); };
    Script->AddMethod("function IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant", Zero,
                      "ctOther");
    for (const char *Name : {"SUM", "AVG", "MIN", "MAX"})
        Script->AddMethod(AnsiString("function ") + Name +
                              "(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
                          Zero, "ctAggregate");
    Script->AddMethod("function COUNT(Band: Variant = 0; Flags: Integer = 0): Variant", Zero,
                      "ctAggregate");
}

} // namespace

TFunctions::TFunctions(TfsScript *AScript) : TfsRTTIModule(AScript)
{
    AddConstants(AScript);
    AddEnumerations(AScript);
    AddWideStrings(AScript);
    AddDataSets(AScript);
    AddComponents(AScript);
    AddReport(AScript);
    AddFunctions(AScript);
}

void frxRegisterScriptModule()
{
    static std::once_flag Once;
    std::call_once(Once, [] {
        fsRTTIModules().push_back(
            [](TfsScript *Script) { return std::make_unique<TFunctions>(Script); });
    });
}
