#include "platform/win/NativeWidget.h"

#include "platform/rtl/System.h"
#include "platform/win/Messages.h"
#include "platform/win/QueueInternal.h"
#include "platform/win/WindowRegistry.h"
#include "platform/win/WindowWidget.h"

#include <QApplication>
#include <QKeyEvent>

namespace win
{
namespace
{

constexpr char OwnerProperty[] = "qrv4Window";
thread_local const QEvent *Handing = nullptr;

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
    Widget->setProperty(OwnerProperty,
                        QVariant::fromValue(static_cast<qulonglong>(IdFromHandle(Wnd))));
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

// Asked of every object an event goes to, some of them the web engine's, which is built
// without type information: the sanitizer's dynamic type check cannot tell them from garbage.
__attribute__((no_sanitize("vptr"))) HWND NativeOwner(QObject *Object)
{
    for (; Object; Object = Object->parent()) {
        const QVariant Owner = Object->property(OwnerProperty);
        if (Owner.isValid())
            return HandleFromId<HWND>(static_cast<std::uintptr_t>(Owner.toULongLong()));
    }
    return {};
}

bool Replaying(const QEvent *Event)
{
    return Event == Handing;
}

void ReplayNative(HWND Wnd, UINT Msg, WPARAM WParam)
{
    const std::shared_ptr<NativeEvent> N = TakeNativeEvent(Wnd, Msg);
    if (!N || !N->Target) return;
    if (Msg != WM_CHAR && Msg != WM_SYSCHAR) {
        Send(N->Target, *N->Event);
        return;
    }
    // The character as the message carries it now, which a handler may have changed.
    const auto *Key = static_cast<const QKeyEvent *>(N->Event.get());
    const QString Text(QChar(rtl::Cp1251ToUnicode(static_cast<unsigned char>(WParam))));
    QKeyEvent Typed(QEvent::KeyPress, Key->key(), Key->modifiers(), Key->nativeScanCode(),
                    Key->nativeVirtualKey(), Key->nativeModifiers(), Text, Key->isAutoRepeat());
    Send(N->Target, Typed);
}

} // namespace win
