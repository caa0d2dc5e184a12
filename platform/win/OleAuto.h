#pragma once

// OLE automation's late binding: IDispatch, through which a caller reaches an object's
// members by name at run time, with the argument block and the failure record of Invoke.
// Arguments and results are the class library's Variants. Nothing on this system creates
// automation objects; a program's own objects may implement the interface.

#include "platform/rtl/Variants.h"
#include "platform/win/Unknwn.h"
#include "platform/win/WinTypes.h"

using DISPID = LONG;
using LCID = DWORD;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR *;
using VARIANT = Variant;
using VARIANTARG = Variant;

constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_PROPERTYPUT = -3;

constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr WORD DISPATCH_PROPERTYPUT = 0x4;

constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000E);

constexpr WORD LANG_RUSSIAN = 0x19;
constexpr WORD SUBLANG_DEFAULT = 0x01;
constexpr WORD SORT_DEFAULT = 0x0;
constexpr WORD MAKELANGID(WORD Primary, WORD Sub)
{
    return static_cast<WORD>(Sub << 10 | Primary);
}
constexpr LCID MAKELCID(WORD LangId, WORD SortId)
{
    return static_cast<LCID>(SortId) << 16 | LangId;
}

struct DISPPARAMS {
    VARIANTARG *rgvarg; // the arguments, the last one first
    DISPID *rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

// The texts are owned here instead of being strings the caller frees.
struct EXCEPINFO {
    WORD wCode = 0;
    WORD wReserved = 0;
    WideString bstrSource;
    WideString bstrDescription;
    WideString bstrHelpFile;
    DWORD dwHelpContext = 0;
    HRESULT scode = S_OK;
};

constexpr IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// No object here has type information to offer, so the interface leaves out its two
// type-information calls.
class IDispatch : public IUnknown
{
public:
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR *rgszNames, UINT cNames, LCID lcid,
                                  DISPID *rgDispId) = 0;
    virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                           DISPPARAMS *pDispParams, VARIANT *pVarResult, EXCEPINFO *pExcepInfo,
                           UINT *puArgErr) = 0;

protected:
    ~IDispatch() = default; // freed through Release only
};

// The calling thread's locale: the Russian one, which the process's format settings follow.
LCID GetThreadLocale();
