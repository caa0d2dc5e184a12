#include "platform/win/NativeWidget.h"

#include "platform/rtl/System.h"
#include "platform/win/Messages.h"
#include "platform/win/QueueInternal.h"
#include "platform/win/WindowRegistry.h"
#include "platform/win/WindowWidget.h"

#include <QApplication>
#include <QChildEvent>
#include <QKeyEvent>

#include <unordered_map>

namespace win
{
namespace
{

thread_local const QEvent *Handing = nullptr;

// The Qt objects that make up each native control, the control first, with the window
// they stand for. The input filter asks nothing of an object that is not here: the web
// engine's own objects carry no type information to ask by. GUI thread only.
std::unordered_map<const QObject *, HWND> &NativeObjects()
{
    // Never destroyed: widgets may still go after the program's statics.
    static auto *Objects = new std::unordered_map<const QObject *, HWND>;
    return *Objects;
}

void AddNativeObject(QObject *Object, HWND Wnd)
{
    if (!NativeObjects().emplace(Object, Wnd).second) return;
    // An address may come back for another object: each entry goes with its object.
    QObject::connect(Object, &QObject::destroyed, [Object] { NativeObjects().erase(Object); });
}

void Send(QWidget *Target, QEvent &Event)
{
    const QEvent *Outer = Handing;
    Handing = &Event;
    QApplication::sendEvent(Target, &Event);
    Handing = Outer;
}

} // namespace

bool AttachNativeWidget(HWND Wnd, QWidget *Widget)
{
    Window *W = FindWindow(Wnd);
    if (!W || !W->Widget || !Widget) return false;
    Widget->setParent(W->Widget.get());
    AddNativeObject(Widget, Wnd);
    for (QObject *Part : Widget->findChildren<QObject *>())
        AddNativeObject(Part, Wnd);
    W->Native = Widget;
    SyncWidget(*W);
    Widget->show();
    return true;
}

QWidget *NativeWidget(HWND Wnd)
{
    const Window *W = FindWindow(Wnd);
    return W ? W->Native.data() : nullptr;
}

HWND NativeOwner(const QObject *Object)
{
    const auto Found = NativeObjects().find(Object);
    return Found == NativeObjects().end() ? HWND{} : Found->second;
}

void NoteNativeParts(HWND Wnd, QEvent *Event)
{
    if (Event->type() != QEvent::ChildAdded && Event->type() != QEvent::ChildRemoved) return;
    QObject *Part = static_cast<QChildEvent *>(Event)->child();
    if (Event->type() == QEvent::ChildAdded)
        AddNativeObject(Part, Wnd);
    else
        NativeObjects().erase(Part);
}

bool Replaying(const QEvent *Event)
{
    return Event == Handing;
}

bool ReplayNative(HWND Wnd, UINT Msg, WPARAM WParam)
{
    const std::shared_ptr<NativeEvent> N = TakeNativeEvent(Wnd, Msg);
    if (!N || !N->Target) return false;
    if (Msg != WM_CHAR && Msg != WM_SYSCHAR) {
        Send(N->Target, *N->Event);
        return true;
    }
    // The character as the message carries it now, which a handler may have changed.
    const auto *Key = static_cast<const QKeyEvent *>(N->Event.get());
    const QString Text(QChar(rtl::Cp1251ToUnicode(static_cast<unsigned char>(WParam))));
    QKeyEvent Typed(QEvent::KeyPress, Key->key(), Key->modifiers(), Key->nativeScanCode(),
                    Key->nativeVirtualKey(), Key->nativeModifiers(), Text, Key->isAutoRepeat());
    Send(N->Target, Typed);
    return true;
}

} // namespace win
