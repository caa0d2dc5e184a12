#pragma once

// The process-wide registries of the report library: report objects for a
// designer's palette, component and property editors, export filters and
// wizards; and the property editors that show one property as text.

#include "platform/rtl/Classes.h"
#include "platform/rtl/TypInfo.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/StdCtrls.h"

#include <memory>
#include <vector>

class TfrxComponent;
class TfrxReportComponent;
class TfrxCustomDesigner;
class TfrxCustomExportFilter;
class TMenu;

// A registry: a collection of items of one class.
template <class TItem> class TfrxItemCollection : public TCollection
{
public:
    TfrxItemCollection() : TCollection(TItem::StaticClass()) {}
    TItem *Items(int Index) const { return static_cast<TItem *>(TCollection::Items(Index)); }

protected:
    TItem *AddItem() { return static_cast<TItem *>(Add()); }
    template <class Test> bool Contains(Test Matches) const
    {
        for (int i = 0; i < Count(); ++i)
            if (Matches(*Items(i))) return true;
        return false;
    }
    template <class Test> void DeleteWhere(Test Matches)
    {
        for (int i = Count() - 1; i >= 0; --i)
            if (Matches(*Items(i))) Delete(i);
    }
};

// ---- report objects ----

class TfrxObjectItem : public TCollectionItem
{
    QRV4_CLASS(TfrxObjectItem, TCollectionItem)

public:
    using TCollectionItem::TCollectionItem;

    TClass ClassRef = nullptr; // none for a category entry
    TBitmap *ButtonBmp = nullptr;
    int ButtonImageIndex = -1;
    AnsiString ButtonHint;
    AnsiString CategoryName;
    std::uint16_t Flags = 0;
};

class TfrxObjectCollection : public TfrxItemCollection<TfrxObjectItem>
{
    QRV4_CLASS(TfrxObjectCollection, TfrxItemCollection<TfrxObjectItem>)

public:
    // Nothing happens when the class is already there with the same flags.
    void RegisterObject1(TClass ClassRef, TBitmap *ButtonBmp, const AnsiString &ButtonHint = "",
                         const AnsiString &CategoryName = "", std::uint16_t Flags = 0,
                         int ImageIndex = -1);
    void RegisterObject(TClass ClassRef, TBitmap *ButtonBmp, const AnsiString &CategoryName = "");
    void RegisterCategory(const AnsiString &CategoryName, TBitmap *ButtonBmp,
                          const AnsiString &ButtonHint, int ImageIndex = -1);
    void Unregister(TClass ClassRef);
};

// ---- component editors ----

class TfrxComponentEditor
{
public:
    TfrxComponentEditor(TfrxComponent *Component, TfrxCustomDesigner *Designer, TMenu *Menu);
    virtual ~TfrxComponentEditor() = default;
    TfrxComponentEditor(const TfrxComponentEditor &) = delete;
    TfrxComponentEditor &operator=(const TfrxComponentEditor &) = delete;

    virtual bool Edit() { return false; }
    virtual bool HasEditor() { return false; }
    virtual void GetMenuItems() {}
    virtual bool Execute(int /*Tag*/, bool /*Checked*/) { return false; }
    void AddItem(const AnsiString &Caption, int Tag, bool Checked = false);

    TfrxComponent *Component() const { return FComponent; }
    TfrxCustomDesigner *Designer() const { return FDesigner; }
    TMenu *Menu() const { return FMenu; }

private:
    TfrxComponent *FComponent;
    TfrxCustomDesigner *FDesigner;
    TMenu *FMenu;
};

// An editor class: makes an editor of its kind.
using TfrxComponentEditorClass = std::unique_ptr<TfrxComponentEditor> (*)(
    TfrxComponent *Component, TfrxCustomDesigner *Designer, TMenu *Menu);
template <class E>
std::unique_ptr<TfrxComponentEditor> frxComponentEditorOf(TfrxComponent *Component,
                                                          TfrxCustomDesigner *Designer, TMenu *Menu)
{
    return std::make_unique<E>(Component, Designer, Menu);
}

class TfrxComponentEditorItem : public TCollectionItem
{
    QRV4_CLASS(TfrxComponentEditorItem, TCollectionItem)

public:
    using TCollectionItem::TCollectionItem;
    TClass ComponentClass = nullptr;
    TfrxComponentEditorClass ComponentEditor = nullptr;
};

class TfrxComponentEditorCollection : public TfrxItemCollection<TfrxComponentEditorItem>
{
    QRV4_CLASS(TfrxComponentEditorCollection, TfrxItemCollection<TfrxComponentEditorItem>)

public:
    void Register(TClass ComponentClass, TfrxComponentEditorClass EditorClass);
    // The editor of the component's own class, else of its nearest registered ancestor.
    std::unique_ptr<TfrxComponentEditor>
    GetComponentEditor(TfrxComponent *Component, TfrxCustomDesigner *Designer, TMenu *Menu) const;
};

// ---- property editors ----

QRV4_ENUM(TfrxPropertyAttribute, paValueList, paSortList, paDialog, paMultiSelect, paSubProperties,
          paReadOnly, paOwnerDraw)
using TfrxPropertyAttributes = Set<TfrxPropertyAttribute>;

// Shows one property of the selected objects as text and writes edited text
// back to all of them; text it cannot take raises "prInvProp".
class TfrxPropertyEditor
{
public:
    explicit TfrxPropertyEditor(TfrxCustomDesigner *Designer);
    virtual ~TfrxPropertyEditor() = default;
    TfrxPropertyEditor(const TfrxPropertyEditor &) = delete;
    TfrxPropertyEditor &operator=(const TfrxPropertyEditor &) = delete;

    // Takes the next value of the list, wrapping; false without a list.
    virtual bool Edit();
    virtual TfrxPropertyAttributes GetAttributes() { return {paMultiSelect}; }
    virtual AnsiString GetName() { return GetPropInfo()->Name; }
    virtual int GetExtraLBSize() { return FItemHeight + 2; }
    virtual AnsiString GetValue();
    virtual void GetValues();
    virtual void SetValue(const AnsiString &) {}
    // One entry of a drop-down list of values, and the value in the inspector.
    virtual void OnDrawLBItem(TWinControl *Control, int Index, TRect ARect, TOwnerDrawState State);
    virtual void OnDrawItem(TCanvas *Canvas, TRect ARect);

    // One (object, property) pair per selected object.
    void Add(TObject *Instance, PPropInfo PropInfo);
    TObject *GetComponent() const { return FObjects.front().Instance; }
    TfrxReportComponent *GetfrComponent() const;
    PPropInfo GetPropInfo() const { return FObjects.front().Prop; }
    long long GetOrdValue() const;
    double GetFloatValue() const;
    AnsiString GetStrValue() const;
    Variant GetVarValue() const;
    void SetOrdValue(long long Value);
    void SetFloatValue(double Value);
    void SetStrValue(const AnsiString &Value);
    void SetVarValue(const Variant &Value);
    void GetStrProc(const AnsiString &S) { FValues->Add(S); }
    TStringList *Values() const { return FValues.get(); }
    TfrxCustomDesigner *Designer() const { return FDesigner; }
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value) { FItemHeight = Value; }

private:
    friend class TfrxPropertyList;
    struct Selected {
        TObject *Instance;
        PPropInfo Prop;
    };
    TfrxCustomDesigner *FDesigner;
    std::vector<Selected> FObjects;
    int FItemHeight = 0;
    std::unique_ptr<TStringList> FValues = std::make_unique<TStringList>();
};

using TfrxPropertyEditorClass = std::unique_ptr<TfrxPropertyEditor> (*)(TfrxCustomDesigner *);
template <class E> std::unique_ptr<TfrxPropertyEditor> frxPropertyEditorOf(TfrxCustomDesigner *D)
{
    return std::make_unique<E>(D);
}

#define QRV4_FRX_PROPERTY_EDITOR(Name, Base)                                                       \
    class Name : public Base                                                                       \
    {                                                                                              \
    public:                                                                                        \
        using Base::Base;                                                                          \
        TfrxPropertyAttributes GetAttributes() override;                                           \
        AnsiString GetValue() override;                                                            \
        void GetValues() override;                                                                 \
        void SetValue(const AnsiString &Value) override;                                           \
    };

QRV4_FRX_PROPERTY_EDITOR(TfrxIntegerProperty, TfrxPropertyEditor)
QRV4_FRX_PROPERTY_EDITOR(TfrxFloatProperty, TfrxPropertyEditor)
QRV4_FRX_PROPERTY_EDITOR(TfrxCharProperty, TfrxPropertyEditor)
QRV4_FRX_PROPERTY_EDITOR(TfrxStringProperty, TfrxPropertyEditor)
QRV4_FRX_PROPERTY_EDITOR(TfrxEnumProperty, TfrxPropertyEditor)
QRV4_FRX_PROPERTY_EDITOR(TfrxNameProperty, TfrxStringProperty)
QRV4_FRX_PROPERTY_EDITOR(TfrxFontNameProperty, TfrxStringProperty)
QRV4_FRX_PROPERTY_EDITOR(TfrxFontCharsetProperty, TfrxIntegerProperty)
QRV4_FRX_PROPERTY_EDITOR(TfrxModalResultProperty, TfrxIntegerProperty)
QRV4_FRX_PROPERTY_EDITOR(TfrxShortCutProperty, TfrxIntegerProperty)
QRV4_FRX_PROPERTY_EDITOR(TfrxCursorProperty, TfrxIntegerProperty)
QRV4_FRX_PROPERTY_EDITOR(TfrxDateTimeProperty, TfrxFloatProperty)
QRV4_FRX_PROPERTY_EDITOR(TfrxDateProperty, TfrxFloatProperty)
QRV4_FRX_PROPERTY_EDITOR(TfrxTimeProperty, TfrxFloatProperty)
QRV4_FRX_PROPERTY_EDITOR(TfrxSetProperty, TfrxPropertyEditor)
QRV4_FRX_PROPERTY_EDITOR(TfrxClassProperty, TfrxPropertyEditor)
QRV4_FRX_PROPERTY_EDITOR(TfrxComponentProperty, TfrxPropertyEditor)
#undef QRV4_FRX_PROPERTY_EDITOR

// A font is chosen in the font dialog; its parts are edited as sub-properties.
class TfrxFontProperty : public TfrxPropertyEditor
{
public:
    using TfrxPropertyEditor::TfrxPropertyEditor;
    // The font dialog over the current font; true when a font was chosen.
    bool Edit() override;
    TfrxPropertyAttributes GetAttributes() override;
    AnsiString GetValue() override;
    void GetValues() override;
    void SetValue(const AnsiString &Value) override;
};

// A colour shows a swatch of itself beside its name.
class TfrxColorProperty : public TfrxIntegerProperty
{
public:
    using TfrxIntegerProperty::TfrxIntegerProperty;
    // The colour dialog over the current colour; true when a colour was chosen.
    bool Edit() override;
    TfrxPropertyAttributes GetAttributes() override;
    AnsiString GetValue() override;
    void GetValues() override;
    void SetValue(const AnsiString &Value) override;
    void OnDrawLBItem(TWinControl *Control, int Index, TRect ARect, TOwnerDrawState State) override;
    void OnDrawItem(TCanvas *Canvas, TRect ARect) override;
};

// One element of a set property, shown as "True" or "False".
class TfrxSetElementProperty : public TfrxPropertyEditor
{
public:
    TfrxSetElementProperty(TfrxCustomDesigner *Designer, int Element);
    TfrxPropertyAttributes GetAttributes() override;
    AnsiString GetName() override;
    AnsiString GetValue() override;
    void GetValues() override;
    void SetValue(const AnsiString &Value) override;
    int Element() const { return FElement; }

private:
    int FElement;
};

// ---- property lists ----

class TfrxPropertyList;

// One listed property: its editor and, for a set or an object, the nested list.
class TfrxPropertyItem : public TCollectionItem
{
    QRV4_CLASS(TfrxPropertyItem, TCollectionItem)

public:
    using TCollectionItem::TCollectionItem;
    ~TfrxPropertyItem() override;
    TfrxPropertyEditor *Editor() const { return FEditor.get(); }
    TfrxPropertyList *SubProperty() const { return FSubProperty.get(); }

private:
    friend class TfrxPropertyList;
    std::unique_ptr<TfrxPropertyEditor> FEditor;
    std::unique_ptr<TfrxPropertyList> FSubProperty;
};

// The properties of an object as a designer's inspector lists them, by name.
class TfrxPropertyList : public TfrxItemCollection<TfrxPropertyItem>
{
    QRV4_CLASS(TfrxPropertyList, TfrxItemCollection<TfrxPropertyItem>)

public:
    explicit TfrxPropertyList(TfrxCustomDesigner *Designer, TfrxPropertyList *Parent = nullptr);
    TObject *Component() const { return FComponent; }
    void SetComponent(TObject *Value);
    TfrxCustomDesigner *Designer() const { return FDesigner; }
    TfrxPropertyList *Parent() const { return FParent; }
    // The item of that property name, or none.
    TfrxPropertyItem *Find(const AnsiString &Name) const;

    void FillProperties(TObject *AObject);
    // Keeps the multi-select properties that List has too, of the same kind.
    void FillCommonProperties(TfrxPropertyList *List);
    // The objects of List's editors join the editors of the same properties here.
    void AddProperties(TfrxPropertyList *List);

private:
    void AddProperty(TObject *AObject, PPropInfo Prop, TfrxPropertyEditorClass EditorClass);
    std::unique_ptr<TfrxPropertyList> SetElements(TObject *AObject, PPropInfo Prop);
    std::unique_ptr<TfrxPropertyList> HeldObjectProperties(TObject *AObject, PPropInfo Prop);

    TObject *FComponent = nullptr;
    TfrxCustomDesigner *FDesigner;
    TfrxPropertyList *FParent;
};

// One list for all the objects, each editor editing them together; none for no objects.
std::unique_ptr<TfrxPropertyList> frxCreatePropertyList(TList *List, TfrxCustomDesigner *Designer);

class TfrxPropertyEditorItem : public TCollectionItem
{
    QRV4_CLASS(TfrxPropertyEditorItem, TCollectionItem)

public:
    using TCollectionItem::TCollectionItem;
    PTypeInfo PropertyType = nullptr;
    TClass ComponentClass = nullptr;
    AnsiString PropertyName;
    TfrxPropertyEditorClass EditorClass = nullptr; // none: the property is hidden
};

class TfrxPropertyEditorCollection : public TfrxItemCollection<TfrxPropertyEditorItem>
{
    QRV4_CLASS(TfrxPropertyEditorCollection, TfrxItemCollection<TfrxPropertyEditorItem>)

public:
    void Register(PTypeInfo PropertyType, TClass ComponentClass, const AnsiString &PropertyName,
                  TfrxPropertyEditorClass EditorClass);
    void RegisterEventEditor(TfrxPropertyEditorClass EditorClass);
    // The index of the item that serves the property, or -1.
    int GetPropertyEditor(PTypeInfo PropertyType, TObject *Component,
                          const AnsiString &PropertyName) const;
    int EventEditorItem() const { return FEventEditorItem; }

private:
    int FEventEditorItem = -1;
};

// Hides the properties of the class named in Names, separated by ";".
void frxHideProperties(TClass ClassRef, const AnsiString &Names);

// ---- export filters and wizards ----

class TfrxExportFilterItem : public TCollectionItem
{
    QRV4_CLASS(TfrxExportFilterItem, TCollectionItem)

public:
    using TCollectionItem::TCollectionItem;
    TfrxCustomExportFilter *Filter = nullptr;
};

class TfrxExportFilterCollection : public TfrxItemCollection<TfrxExportFilterItem>
{
    QRV4_CLASS(TfrxExportFilterCollection, TfrxItemCollection<TfrxExportFilterItem>)

public:
    void Register(TfrxCustomExportFilter *Filter);
    void Unregister(TfrxCustomExportFilter *Filter);
};

class TfrxWizardItem : public TCollectionItem
{
    QRV4_CLASS(TfrxWizardItem, TCollectionItem)

public:
    using TCollectionItem::TCollectionItem;
    TClass ClassRef = nullptr;
    TBitmap *ButtonBmp = nullptr;
    int ButtonImageIndex = -1;
    bool IsToolbarWizard = false;
};

class TfrxWizardCollection : public TfrxItemCollection<TfrxWizardItem>
{
    QRV4_CLASS(TfrxWizardCollection, TfrxItemCollection<TfrxWizardItem>)

public:
    void Register(TClass ClassRef, TBitmap *ButtonBmp, bool IsToolbarWizard = false);
    void Unregister(TClass ClassRef);
};

TfrxObjectCollection *frxObjects();
TfrxComponentEditorCollection *frxComponentEditors();
// Holds the library's own editors from the first use on.
TfrxPropertyEditorCollection *frxPropertyEditors();
TfrxExportFilterCollection *frxExportFilters();
TfrxWizardCollection *frxWizards();
