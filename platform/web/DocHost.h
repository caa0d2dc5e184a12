#pragma once

// The few COM pieces through which a program talks to the browser control's document: the
// host's UI handler that the document asks before it shows a context menu, draws its border or
// handles a key, and the document's own interfaces for taking a handler and loading HTML from
// a stream.

#include "platform/win/MessageQueue.h"
#include "platform/win/Unknwn.h"
#include "platform/win/WinTypes.h"

class TStream;

constexpr IID IID_IDocHostUIHandler = {
    0xBD3F23C0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};
constexpr IID IID_ICustomDoc = {
    0x3050F3F0, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
constexpr IID IID_IPersistStreamInit = {
    0x7FD52380, 0x4E07, 0x101B, {0xAE, 0x2D, 0x08, 0x00, 0x2B, 0x2E, 0xC7, 0x13}};

// The parts of DOCHOSTUIINFO the host fills.
struct DOCHOSTUIINFO {
    ULONG cbSize = sizeof(DOCHOSTUIINFO);
    DWORD dwFlags = 0;
    DWORD dwDoubleClick = 0;
};
constexpr DWORD DOCHOSTUIFLAG_NO3DBORDER = 0x4;

// The menu the document would show, as the first argument of ShowContextMenu.
constexpr DWORD CONTEXT_MENU_DEFAULT = 0;

class IDocHostUIHandler : public IUnknown
{
public:
    virtual HRESULT ShowContextMenu(DWORD dwID, POINT *ppt, IUnknown *pcmdtReserved,
                                    IUnknown *pdispReserved) = 0;
    virtual HRESULT GetHostInfo(DOCHOSTUIINFO *pInfo) = 0;
    virtual HRESULT ShowUI(DWORD dwID, IUnknown *pActiveObject, IUnknown *pCommandTarget,
                           IUnknown *pFrame, IUnknown *pDoc) = 0;
    virtual HRESULT HideUI() = 0;
    virtual HRESULT UpdateUI() = 0;
    virtual HRESULT EnableModeless(BOOL fEnable) = 0;
    virtual HRESULT OnDocWindowActivate(BOOL fActivate) = 0;
    virtual HRESULT OnFrameWindowActivate(BOOL fActivate) = 0;
    virtual HRESULT ResizeBorder(const RECT *prcBorder, IUnknown *pUIWindow, BOOL fFrameWindow) = 0;
    virtual HRESULT TranslateAccelerator(MSG *lpMsg, const GUID *pguidCmdGroup, DWORD nCmdID) = 0;
    virtual HRESULT GetOptionKeyPath(wchar_t **pchKey, DWORD dw) = 0;
    virtual HRESULT GetDropTarget(IUnknown *pDropTarget, IUnknown **ppDropTarget) = 0;
    virtual HRESULT GetExternal(IUnknown **ppDispatch) = 0;
    virtual HRESULT TranslateUrl(DWORD dwTranslate, wchar_t *pchURLIn, wchar_t **ppchURLOut) = 0;
    virtual HRESULT FilterDataObject(IUnknown *pDO, IUnknown **ppDORet) = 0;

protected:
    ~IDocHostUIHandler() = default;
};

class ICustomDoc : public IUnknown
{
public:
    virtual HRESULT SetUIHandler(IDocHostUIHandler *pUIHandler) = 0;

protected:
    ~ICustomDoc() = default;
};

class IPersistStreamInit : public IUnknown
{
public:
    // The document becomes the HTML the stream holds from its position to its end.
    virtual HRESULT Load(TStream *pStm) = 0;
    virtual HRESULT InitNew() = 0;

protected:
    ~IPersistStreamInit() = default;
};
