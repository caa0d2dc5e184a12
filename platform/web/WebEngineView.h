#pragma once

// What the browser control and the web engine's module share. The engine (with Qt Quick, QML
// and the rest under it) is a module of its own, opened when the first page is shown, so that
// the program starts without it; the module makes the view the pages are drawn in.

#include <QFrame>
#include <QPageLayout>
#include <QPoint>
#include <QString>
#include <QUrl>

#include <functional>

namespace web
{

// What the view tells the control. Called on the GUI thread.
struct TEngineHooks {
    std::function<void()> LoadFinished;
    // Asked before the page's context menu opens, with the click's screen position.
    std::function<bool(QPoint)> ContextMenuAllowed;
};

// The page's view inside the sunken border the control may take away.
class TEngineView : public QFrame
{
public:
    using QFrame::QFrame;

    void SetBordered(bool Value)
    {
        setFrameStyle(Value ? QFrame::StyledPanel | QFrame::Sunken : QFrame::NoFrame);
        setLineWidth(Value ? 2 : 0);
    }
    virtual void Load(const QUrl &Url) = 0;
    virtual void SetHtml(const QString &Html) = 0;
    // The engine's own PDF of the page, its text kept as text; Done says whether the file
    // was written, once it was.
    virtual void PrintToPdf(const QString &File, const QPageLayout &Layout,
                            std::function<void(bool)> Done) = 0;
};

// The module's one entry; the view belongs to Parent.
using TCreateEngineView = TEngineView *(*)(QWidget *Parent, TEngineHooks Hooks);
inline constexpr char CreateEngineViewName[] = "qrv4_CreateEngineView";
inline constexpr char EngineModuleName[] = "libqrv4_webengine.so";

} // namespace web
