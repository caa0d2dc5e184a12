#pragma once

// Actions: commands with a caption, a check, an image, a shortcut and handlers,
// which the clients linked to them (menu and toolbar items) follow; and the
// lists that hold them.

#include "platform/rtl/TypInfo.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/Menus.h"

#include <functional>
#include <vector>

class TBasicAction;
class TCustomActionList;

// (var HintStr, var CanShow)
using THintEvent = std::function<void(AnsiString &HintStr, bool &CanShow)>;
// (Action, var Handled)
using TActionEvent = std::function<void(TBasicAction *Action, bool &Handled)>;

namespace vcl
{

// Handlers are std::function values, which cannot be compared. A handler given to
// an action gets one shared target, which its copies keep, so a client that took
// the action's handler can tell later whether it still holds that one.
TNotifyEvent SharedEvent(TNotifyEvent Handler);
// Both empty, or copies of one shared handler.
bool SameEvent(const TNotifyEvent &A, const TNotifyEvent &B);

} // namespace vcl

// What ties a client to its action: the action tells it of every change.
class TBasicActionLink : public TObject
{
    QRV4_CLASS(TBasicActionLink, TObject)
    friend class TBasicAction;

public:
    TBasicActionLink() = default;
    // Leaves the action.
    ~TBasicActionLink() override;
    TBasicAction *Action() const { return FAction; }
    void SetAction(TBasicAction *Value);
    // Runs the action on behalf of AComponent; false when nothing handled it.
    virtual bool Execute(TComponent *AComponent = nullptr);
    // Lets the action update itself; false when nothing handled it.
    virtual bool Update();
    virtual bool IsOnExecuteLinked() const { return true; }
    virtual void SetOnExecute(const TNotifyEvent &) {}

    // Called with the action after each of its changes.
    TNotifyEvent OnChange;

protected:
    virtual void Change();

private:
    TBasicAction *FAction = nullptr;
};

class TBasicAction : public TComponent
{
    QRV4_CLASS(TBasicAction, TComponent)
    friend class TBasicActionLink;

public:
    explicit TBasicAction(TComponent *AOwner) : TComponent(AOwner) {}
    // Its links let go of it first: their clients drop them when told it is gone.
    ~TBasicAction() override;

    // Runs OnExecute; false when there is none.
    virtual bool Execute();
    // Runs OnUpdate; false when there is none.
    virtual bool Update();
    // The component that asked for the action to run, while it runs.
    TComponent *ActionComponent() const { return FActionComponent; }
    void SetActionComponent(TComponent *Value) { FActionComponent = Value; }
    const TNotifyEvent &OnExecute() const { return FOnExecute; }
    // Clients that took the handler before get the new one.
    void SetOnExecute(const TNotifyEvent &Value);

    TNotifyEvent OnUpdate;

protected:
    // Tells every link.
    virtual void Change();
    // A copy, as a link may leave while the clients are told.
    std::vector<TBasicActionLink *> Clients() const { return FClients; }
    bool HasClient(TBasicActionLink *Link) const;

private:
    std::vector<TBasicActionLink *> FClients;
    TNotifyEvent FOnExecute;
    TComponent *FActionComponent = nullptr;
};

// An action that lives in an action list: the list sees it run and update first,
// and the list streams it as its child.
class TContainedAction : public TBasicAction
{
    QRV4_CLASS(TContainedAction, TBasicAction)

public:
    using TBasicAction::TBasicAction;
    ~TContainedAction() override;

    TCustomActionList *ActionList() const { return FActionList; }
    void SetActionList(TCustomActionList *Value);
    int Index() const;
    bool Execute() override;
    bool Update() override;

    bool HasParent() override { return true; }
    TComponent *GetParentComponent() override;
    void SetParentComponent(TComponent *Value) override;

private:
    TCustomActionList *FActionList = nullptr;
};

class TCustomAction : public TContainedAction
{
    QRV4_CLASS(TCustomAction, TContainedAction)

public:
    using TContainedAction::TContainedAction;

    bool AutoCheck() const { return FAutoCheck; }
    void SetAutoCheck(bool Value);
    const AnsiString &Caption() const { return FCaption; }
    void SetCaption(const AnsiString &Value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int Value);
    const AnsiString &Hint() const { return FHint; }
    void SetHint(const AnsiString &Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);

    // Brings the action up to date, then, when it is enabled, checks or unchecks
    // it (AutoCheck) and runs it.
    bool Execute() override;
    // Lets OnHint change the hint shown for a client, or refuse it.
    virtual bool DoHint(AnsiString &HintStr);

    THintEvent OnHint;

private:
    // Sets Field to Value and tells the links, each through its own writer first.
    template <class V, class W> void Assign(V &Field, const V &Value, W Writer);

    bool FAutoCheck = false;
    AnsiString FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    int FHelpContext = 0;
    AnsiString FHint;
    int FImageIndex = -1;
    TShortCut FShortCut = 0;
    bool FVisible = true;
};

class TAction : public TCustomAction
{
    QRV4_CLASS(TAction, TCustomAction)

public:
    using TCustomAction::TCustomAction;
    static void Publish(rtl::Publisher<TAction> &P);
};

// The link of a client that shows a caption, a check, an image and so on: each
// writer copies the action's new value to the client when the client's value is
// still linked to the action's; the client's link class says what that means.
class TActionLink : public TBasicActionLink
{
    QRV4_CLASS(TActionLink, TBasicActionLink)

public:
    TActionLink() = default;

    // Linked at all: the action is a TCustomAction.
    virtual bool IsAutoCheckLinked() const { return CustomAction() != nullptr; }
    virtual bool IsCaptionLinked() const { return CustomAction() != nullptr; }
    virtual bool IsCheckedLinked() const { return CustomAction() != nullptr; }
    virtual bool IsEnabledLinked() const { return CustomAction() != nullptr; }
    virtual bool IsHelpContextLinked() const { return CustomAction() != nullptr; }
    virtual bool IsHintLinked() const { return CustomAction() != nullptr; }
    virtual bool IsImageIndexLinked() const { return CustomAction() != nullptr; }
    virtual bool IsShortCutLinked() const { return CustomAction() != nullptr; }
    virtual bool IsVisibleLinked() const { return CustomAction() != nullptr; }
    virtual void SetAutoCheck(bool) {}
    virtual void SetCaption(const AnsiString &) {}
    virtual void SetChecked(bool) {}
    virtual void SetEnabled(bool) {}
    virtual void SetHelpContext(int) {}
    virtual void SetHint(const AnsiString &) {}
    virtual void SetImageIndex(int) {}
    virtual void SetShortCut(TShortCut) {}
    virtual void SetVisible(bool) {}

protected:
    // The action when it is a TCustomAction, else null.
    TCustomAction *CustomAction() const;
};

class TCustomActionList : public TComponent
{
    QRV4_CLASS(TCustomActionList, TComponent)
    friend class TContainedAction;

public:
    explicit TCustomActionList(TComponent *AOwner) : TComponent(AOwner) {}
    // Frees its actions, as the list is where they live.
    ~TCustomActionList() override;

    int ActionCount() const { return static_cast<int>(FActions.size()); }
    TContainedAction *Actions(int Index) const;
    TCustomImageList *Images() const { return FImages; }
    void SetImages(TCustomImageList *Value);
    // OnExecute or OnUpdate of the list; true when it handled the action.
    virtual bool ExecuteAction(TBasicAction *Action);
    virtual bool UpdateAction(TBasicAction *Action);

    // Streaming: the actions the root owns are the list's children.
    void GetChildren(TGetChildProc Proc, TComponent *Root) override;
    void SetChildOrder(TComponent *Child, int Order) override;

    TActionEvent OnExecute;
    TActionEvent OnUpdate;

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    std::vector<TContainedAction *> FActions;
    TCustomImageList *FImages = nullptr;
};

class TActionList : public TCustomActionList
{
    QRV4_CLASS(TActionList, TCustomActionList)

public:
    using TCustomActionList::TCustomActionList;
    static void Publish(rtl::Publisher<TActionList> &P);
};

QRV4_METHOD_INFO(THintEvent)
QRV4_METHOD_INFO(TActionEvent)

// Lets TAction and TActionList be read from a stream; once is enough, more does no harm.
void RegisterActionClasses();
