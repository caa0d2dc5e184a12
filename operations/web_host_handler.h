#pragma once

// The host object the help pages' documents ask about their user interface: no context menu,
// no 3D border, and the keys I, N and O kept from the page.

#include "platform/web/DocHost.h"

#include <atomic>

class TWebHostHandler final : public IDocHostUIHandler
{
public:
    // Made with one reference, its maker's; Release of the last one frees it.
    TWebHostHandler() = default;

    HRESULT QueryInterface(REFIID Riid, void **Object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT ShowContextMenu(DWORD dwID, POINT *ppt, IUnknown *pcmdtReserved,
                            IUnknown *pdispReserved) override;
    HRESULT GetHostInfo(DOCHOSTUIINFO *pInfo) override;
    HRESULT ShowUI(DWORD dwID, IUnknown *pActiveObject, IUnknown *pCommandTarget, IUnknown *pFrame,
                   IUnknown *pDoc) override;
    HRESULT HideUI() override;
    HRESULT UpdateUI() override;
    HRESULT EnableModeless(BOOL fEnable) override;
    HRESULT OnDocWindowActivate(BOOL fActivate) override;
    HRESULT OnFrameWindowActivate(BOOL fActivate) override;
    HRESULT ResizeBorder(const RECT *prcBorder, IUnknown *pUIWindow, BOOL fFrameWindow) override;
    HRESULT TranslateAccelerator(MSG *lpMsg, const GUID *pguidCmdGroup, DWORD nCmdID) override;
    HRESULT GetOptionKeyPath(wchar_t **pchKey, DWORD dw) override;
    HRESULT GetDropTarget(IUnknown *pDropTarget, IUnknown **ppDropTarget) override;
    HRESULT GetExternal(IUnknown **ppDispatch) override;
    HRESULT TranslateUrl(DWORD dwTranslate, wchar_t *pchURLIn, wchar_t **ppchURLOut) override;
    HRESULT FilterDataObject(IUnknown *pDO, IUnknown **ppDORet) override;

    ULONG References() const { return FCount; }

private:
    ~TWebHostHandler() = default;
    std::atomic<ULONG> FCount{1};
};
