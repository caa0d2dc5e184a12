#include "operations/web_host_handler.h"

namespace
{

constexpr WPARAM KeyI = 0x49, KeyN = 0x4E, KeyO = 0x4F;

} // namespace

HRESULT TWebHostHandler::QueryInterface(REFIID Riid, void **Object)
{
    if (!Object) return E_POINTER;
    if (Riid == IID_IUnknown || Riid == IID_IDocHostUIHandler) {
        *Object = static_cast<IDocHostUIHandler *>(this);
        AddRef();
        return S_OK;
    }
    *Object = nullptr;
    return E_NOINTERFACE;
}

ULONG TWebHostHandler::AddRef()
{
    return ++FCount;
}

ULONG TWebHostHandler::Release()
{
    const ULONG count = --FCount;
    if (count == 0) delete this;
    return count;
}

HRESULT TWebHostHandler::ShowContextMenu(DWORD, POINT *, IUnknown *, IUnknown *)
{
    return S_OK; // shown: that is, nothing at all
}

HRESULT TWebHostHandler::GetHostInfo(DOCHOSTUIINFO *pInfo)
{
    if (!pInfo) return E_POINTER;
    pInfo->dwFlags |= DOCHOSTUIFLAG_NO3DBORDER;
    return S_OK;
}

HRESULT TWebHostHandler::ShowUI(DWORD, IUnknown *, IUnknown *, IUnknown *, IUnknown *)
{
    return E_NOTIMPL;
}

HRESULT TWebHostHandler::HideUI()
{
    return E_NOTIMPL;
}

HRESULT TWebHostHandler::UpdateUI()
{
    return E_NOTIMPL;
}

HRESULT TWebHostHandler::EnableModeless(BOOL)
{
    return E_NOTIMPL;
}

HRESULT TWebHostHandler::OnDocWindowActivate(BOOL)
{
    return E_NOTIMPL;
}

HRESULT TWebHostHandler::OnFrameWindowActivate(BOOL)
{
    return E_NOTIMPL;
}

HRESULT TWebHostHandler::ResizeBorder(const RECT *, IUnknown *, BOOL)
{
    return E_NOTIMPL;
}

HRESULT TWebHostHandler::TranslateAccelerator(MSG *lpMsg, const GUID *, DWORD)
{
    // The page's own shortcuts on these keys would take the reader elsewhere.
    if (lpMsg && lpMsg->message == WM_KEYDOWN &&
        (lpMsg->wParam == KeyI || lpMsg->wParam == KeyN || lpMsg->wParam == KeyO))
        return S_OK;
    return E_NOTIMPL;
}

HRESULT TWebHostHandler::GetOptionKeyPath(wchar_t **, DWORD)
{
    return E_NOTIMPL;
}

HRESULT TWebHostHandler::GetDropTarget(IUnknown *, IUnknown **)
{
    return E_NOTIMPL;
}

HRESULT TWebHostHandler::GetExternal(IUnknown **)
{
    return E_NOTIMPL;
}

HRESULT TWebHostHandler::TranslateUrl(DWORD, wchar_t *, wchar_t **)
{
    return E_NOTIMPL;
}

HRESULT TWebHostHandler::FilterDataObject(IUnknown *, IUnknown **)
{
    return E_NOTIMPL;
}
