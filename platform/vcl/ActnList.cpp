#include "platform/vcl/ActnList.h"

#include "platform/rtl/ClassesFiler.h"
#include "platform/rtl/RTLConsts.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace
{

struct SharedHandler {
    std::shared_ptr<const TNotifyEvent> Target;
    void operator()(TObject *Sender) const { (*Target)(Sender); }
};

} // namespace

TNotifyEvent vcl::SharedEvent(TNotifyEvent Handler)
{
    if (!Handler || Handler.target<SharedHandler>()) return Handler;
    return SharedHandler{std::make_shared<const TNotifyEvent>(std::move(Handler))};
}

bool vcl::SameEvent(const TNotifyEvent &A, const TNotifyEvent &B)
{
    if (!A || !B) return !A && !B;
    const auto *SharedA = A.target<SharedHandler>();
    const auto *SharedB = B.target<SharedHandler>();
    return SharedA && SharedB && SharedA->Target == SharedB->Target;
}

// ---- links ---------------------------------------------------------------------------------

TBasicActionLink::~TBasicActionLink()
{
    SetAction(nullptr);
}

void TBasicActionLink::SetAction(TBasicAction *Value)
{
    if (Value == FAction) return;
    if (FAction) std::erase(FAction->FClients, this);
    FAction = Value;
    if (Value) Value->FClients.push_back(this);
}

bool TBasicActionLink::Execute(TComponent *AComponent)
{
    // The handler may free this link's client, and the link with it.
    TBasicAction *Action = FAction;
    if (!Action) return false;
    Action->SetActionComponent(AComponent);
    bool Result = false;
    try {
        Result = Action->Execute();
    } catch (...) {
        Action->SetActionComponent(nullptr);
        throw;
    }
    Action->SetActionComponent(nullptr);
    return Result;
}

bool TBasicActionLink::Update()
{
    return FAction && FAction->Update();
}

void TBasicActionLink::Change()
{
    // The client may drop this link from inside its handler.
    if (const TNotifyEvent Handler = OnChange) Handler(FAction);
}

TCustomAction *TActionLink::CustomAction() const
{
    return dynamic_cast<TCustomAction *>(Action());
}

// ---- actions -------------------------------------------------------------------------------

TBasicAction::~TBasicAction()
{
    // Each client drops its empty link when it hears of the action's removal.
    for (TBasicActionLink *Link : std::exchange(FClients, {}))
        Link->FAction = nullptr;
}

bool TBasicAction::HasClient(TBasicActionLink *Link) const
{
    return std::find(FClients.begin(), FClients.end(), Link) != FClients.end();
}

bool TBasicAction::Execute()
{
    if (!FOnExecute) return false;
    FOnExecute(this);
    return true;
}

bool TBasicAction::Update()
{
    if (!OnUpdate) return false;
    OnUpdate(this);
    return true;
}

void TBasicAction::SetOnExecute(const TNotifyEvent &Value)
{
    const TNotifyEvent Shared = vcl::SharedEvent(Value);
    for (TBasicActionLink *Link : Clients())
        if (HasClient(Link)) Link->SetOnExecute(Shared);
    FOnExecute = Shared;
    Change();
}

void TBasicAction::Change()
{
    for (TBasicActionLink *Link : Clients())
        if (HasClient(Link)) Link->Change();
}

TContainedAction::~TContainedAction()
{
    SetActionList(nullptr);
}

void TContainedAction::SetActionList(TCustomActionList *Value)
{
    if (Value == FActionList) return;
    if (FActionList) std::erase(FActionList->FActions, this);
    FActionList = Value;
    if (Value) Value->FActions.push_back(this);
}

int TContainedAction::Index() const
{
    if (!FActionList) return -1;
    const auto &Actions = FActionList->FActions;
    return static_cast<int>(std::find(Actions.begin(), Actions.end(), this) - Actions.begin());
}

bool TContainedAction::Execute()
{
    return (FActionList && FActionList->ExecuteAction(this)) || TBasicAction::Execute();
}

bool TContainedAction::Update()
{
    return (FActionList && FActionList->UpdateAction(this)) || TBasicAction::Update();
}

TComponent *TContainedAction::GetParentComponent()
{
    return FActionList;
}

void TContainedAction::SetParentComponent(TComponent *Value)
{
    if (auto *List = dynamic_cast<TCustomActionList *>(Value)) SetActionList(List);
}

template <class V, class W> void TCustomAction::Assign(V &Field, const V &Value, W Writer)
{
    if (Value == Field) return;
    // Each link compares its client with the old value before taking the new one.
    for (TBasicActionLink *Link : Clients())
        if (auto *Client = dynamic_cast<TActionLink *>(Link); Client && HasClient(Link))
            (Client->*Writer)(Value);
    Field = Value;
    Change();
}

void TCustomAction::SetAutoCheck(bool Value)
{
    Assign(FAutoCheck, Value, &TActionLink::SetAutoCheck);
}

void TCustomAction::SetCaption(const AnsiString &Value)
{
    Assign(FCaption, Value, &TActionLink::SetCaption);
}

void TCustomAction::SetChecked(bool Value)
{
    Assign(FChecked, Value, &TActionLink::SetChecked);
}

void TCustomAction::SetEnabled(bool Value)
{
    Assign(FEnabled, Value, &TActionLink::SetEnabled);
}

void TCustomAction::SetHelpContext(int Value)
{
    Assign(FHelpContext, Value, &TActionLink::SetHelpContext);
}

void TCustomAction::SetHint(const AnsiString &Value)
{
    Assign(FHint, Value, &TActionLink::SetHint);
}

void TCustomAction::SetImageIndex(int Value)
{
    Assign(FImageIndex, Value, &TActionLink::SetImageIndex);
}

void TCustomAction::SetShortCut(TShortCut Value)
{
    Assign(FShortCut, Value, &TActionLink::SetShortCut);
}

void TCustomAction::SetVisible(bool Value)
{
    Assign(FVisible, Value, &TActionLink::SetVisible);
}

bool TCustomAction::Execute()
{
    Update();
    if (!FEnabled) return false;
    if (FAutoCheck) SetChecked(!FChecked);
    return TContainedAction::Execute();
}

bool TCustomAction::DoHint(AnsiString &HintStr)
{
    bool CanShow = true;
    if (OnHint) OnHint(HintStr, CanShow);
    return CanShow;
}

// ---- lists ---------------------------------------------------------------------------------

TCustomActionList::~TCustomActionList()
{
    while (!FActions.empty())
        delete FActions.back();
    SetImages(nullptr);
}

TContainedAction *TCustomActionList::Actions(int Index) const
{
    if (Index < 0 || Index >= ActionCount()) TList::Error(SListIndexError, Index);
    return FActions[static_cast<std::size_t>(Index)];
}

void TCustomActionList::SetImages(TCustomImageList *Value)
{
    if (Value == FImages) return;
    if (FImages) FImages->RemoveFreeNotification(this);
    FImages = Value;
    if (Value) Value->FreeNotification(this);
}

bool TCustomActionList::ExecuteAction(TBasicAction *Action)
{
    bool Handled = false;
    if (OnExecute) OnExecute(Action, Handled);
    return Handled;
}

bool TCustomActionList::UpdateAction(TBasicAction *Action)
{
    bool Handled = false;
    if (OnUpdate) OnUpdate(Action, Handled);
    return Handled;
}

void TCustomActionList::GetChildren(TGetChildProc Proc, TComponent *Root)
{
    for (TContainedAction *Action : std::vector(FActions))
        if (Action->Owner() == Root) Proc(Action);
}

void TCustomActionList::SetChildOrder(TComponent *Child, int Order)
{
    const auto It = std::find(FActions.begin(), FActions.end(), Child);
    if (It == FActions.end() || Order < 0 || Order >= ActionCount()) return;
    TContainedAction *Action = *It;
    FActions.erase(It);
    FActions.insert(FActions.begin() + Order, Action);
}

void TCustomActionList::Notification(TComponent *AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages) FImages = nullptr;
}

// ---- published properties ------------------------------------------------------------------

void TAction::Publish(rtl::Publisher<TAction> &P)
{
    P.Property("AutoCheck", &TAction::AutoCheck, &TAction::SetAutoCheck).Default(false);
    P.Property("Caption", &TAction::Caption, &TAction::SetCaption);
    P.Property("Checked", &TAction::Checked, &TAction::SetChecked).Default(false);
    P.Property("Enabled", &TAction::Enabled, &TAction::SetEnabled).Default(true);
    P.Property("HelpContext", &TAction::HelpContext, &TAction::SetHelpContext).Default(0);
    P.Property("Hint", &TAction::Hint, &TAction::SetHint);
    P.Property("ImageIndex", &TAction::ImageIndex, &TAction::SetImageIndex).Default(-1);
    P.Property("ShortCut", &TAction::ShortCut, &TAction::SetShortCut).Default(TShortCut{0});
    P.Property("Visible", &TAction::Visible, &TAction::SetVisible).Default(true);
    P.Property("OnExecute", &TAction::OnExecute, &TAction::SetOnExecute);
    P.Event("OnHint", &TAction::OnHint);
    P.Event("OnUpdate", &TAction::OnUpdate);
}
QRV4_PUBLISHED(TAction)

void TActionList::Publish(rtl::Publisher<TActionList> &P)
{
    P.Property("Images", &TActionList::Images, &TActionList::SetImages);
    P.Event("OnExecute", &TActionList::OnExecute);
    P.Event("OnUpdate", &TActionList::OnUpdate);
}
QRV4_PUBLISHED(TActionList)

void RegisterActionClasses()
{
    RegisterClasses({TAction::StaticClass(), TActionList::StaticClass()});
}
