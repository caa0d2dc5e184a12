#pragma once

// Bridges between host events and script procedures. A host class registers an
// event property with AddEvent(Name, fsEventOf<TfsCloseQueryEvent>(&TForm::OnCloseQuery));
// assigning a procedure name to that property in a script installs a bridge into
// the host object's event member.

#include "platform/win/OleAuto.h"
#include "script/fs_ihelpers.h"

#include <type_traits>
#include <utility>
#include <vector>

namespace fs
{

// The bits of a set of shift states (bit 0 shift ... bit 6 double click).
template <class T> int SetBits(const T &Value)
{
    if constexpr (std::is_integral_v<T> || std::is_enum_v<T>)
        return static_cast<int>(Value);
    else
        return static_cast<int>(Value.ToInt());
}

} // namespace fs

class TfsNotifyEvent : public TfsCustomEvent
{
public:
    using TfsCustomEvent::TfsCustomEvent;
    int ArgCount() const override { return 1; }
    void DoEvent(TObject *Sender);
};

class TfsMouseEvent : public TfsCustomEvent
{
public:
    using TfsCustomEvent::TfsCustomEvent;
    int ArgCount() const override { return 5; }
    template <class TButton, class TShift>
    void DoEvent(TObject *Sender, TButton Button, TShift Shift, int X, int Y)
    {
        CallHandler({fsObjectToVariant(Sender), Variant(static_cast<int>(Button)),
                     Variant(fs::SetBits(Shift)), Variant(X), Variant(Y)});
    }
};

class TfsMouseMoveEvent : public TfsCustomEvent
{
public:
    using TfsCustomEvent::TfsCustomEvent;
    int ArgCount() const override { return 4; }
    template <class TShift> void DoEvent(TObject *Sender, TShift Shift, int X, int Y)
    {
        CallHandler(
            {fsObjectToVariant(Sender), Variant(fs::SetBits(Shift)), Variant(X), Variant(Y)});
    }
};

class TfsKeyEvent : public TfsCustomEvent
{
public:
    using TfsCustomEvent::TfsCustomEvent;
    int ArgCount() const override { return 3; }
    template <class TKey, class TShift> void DoEvent(TObject *Sender, TKey &Key, TShift Shift)
    {
        CallHandler({fsObjectToVariant(Sender), Variant(static_cast<int>(Key)),
                     Variant(fs::SetBits(Shift))});
        Key = static_cast<TKey>(fsVarToInt(Param(1)));
    }
};

class TfsKeyPressEvent : public TfsCustomEvent
{
public:
    using TfsCustomEvent::TfsCustomEvent;
    int ArgCount() const override { return 2; }
    void DoEvent(TObject *Sender, char &Key);
};

class TfsCloseEvent : public TfsCustomEvent
{
public:
    using TfsCustomEvent::TfsCustomEvent;
    int ArgCount() const override { return 2; }
    template <class TAction> void DoEvent(TObject *Sender, TAction &Action)
    {
        CallHandler({fsObjectToVariant(Sender), Variant(static_cast<int>(Action))});
        Action = static_cast<TAction>(fsVarToInt(Param(1)));
    }
};

class TfsCloseQueryEvent : public TfsCustomEvent
{
public:
    using TfsCustomEvent::TfsCustomEvent;
    int ArgCount() const override { return 2; }
    void DoEvent(TObject *Sender, bool &CanClose);
};

class TfsCanResizeEvent : public TfsCustomEvent
{
public:
    using TfsCustomEvent::TfsCustomEvent;
    int ArgCount() const override { return 4; }
    void DoEvent(TObject *Sender, int &NewWidth, int &NewHeight, bool &Resize);
};

// A bridge of kind TBridge bound to the event member Field of host class TOwner.
template <class TBridge, class TOwner, class TEvent> class TfsBoundEvent final : public TBridge
{
public:
    TfsBoundEvent(TOwner *AOwner, TfsProcVariable *AHandler, TEvent TOwner::*AField)
        : TBridge(AOwner, AHandler), FOwner(AOwner), FField(AField)
    {
    }
    ~TfsBoundEvent() override { this->Release(); }

    void Install() override
    {
        if (this->Handler())
            FOwner->*FField = TThunk{this};
        else
            FOwner->*FField = nullptr;
    }

protected:
    void Uninstall() override
    {
        TEvent &Event = FOwner->*FField;
        const TThunk *Installed = Event.template target<TThunk>();
        if (Installed && Installed->Bridge == this) Event = nullptr;
    }

private:
    struct TThunk {
        TfsBoundEvent *Bridge;
        template <class... TArgs> void operator()(TArgs &&...Args) const
        {
            Bridge->DoEvent(std::forward<TArgs>(Args)...);
        }
    };

    TOwner *FOwner;
    TEvent TOwner::*FField;
};

template <class TBridge, class TOwner, class TEvent>
TfsEventFactory fsEventOf(TEvent TOwner::*Field)
{
    return [Field](TObject *Instance, TfsProcVariable *Handler) -> std::unique_ptr<TfsCustomEvent> {
        auto *Owner = dynamic_cast<TOwner *>(Instance);
        if (!Owner) throw Exception("Invalid class typecast: " + Instance->ClassName());
        return std::make_unique<TfsBoundEvent<TBridge, TOwner, TEvent>>(Owner, Handler, Field);
    };
}

// A member of an automation object, reached through IDispatch by its name when the
// designator runs; the designator hands over the object's Variant as the parent value.
// Each argument written in the script is one Variant parameter.
class TfsOLEHelper : public TfsCustomHelper
{
public:
    explicit TfsOLEHelper(const AnsiString &AName);
    void AddArgument();
    Variant GetValue() override;
    void SetValue(const Variant &AValue) override;

private:
    std::vector<Variant> ParamValues() const;
    Variant DispatchInvoke(std::vector<Variant> Params, WORD Flags);
};

// The automation interface of a value: a live object that implements IDispatch, else null.
IDispatch *fsDispatchOf(const Variant &Value);
