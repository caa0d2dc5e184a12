#pragma once
// Image lists: equally sized images with alpha, drawn normally, transparently,
// as masks or blended with the selection colour.

#include "platform/win/WinGdi.h"

constexpr UINT ILC_MASK = 0x0001;
constexpr UINT ILC_COLOR = 0x0000;
constexpr UINT ILC_COLOR4 = 0x0004;
constexpr UINT ILC_COLOR8 = 0x0008;
constexpr UINT ILC_COLOR16 = 0x0010;
constexpr UINT ILC_COLOR24 = 0x0018;
constexpr UINT ILC_COLOR32 = 0x0020;

constexpr UINT ILD_NORMAL = 0x0000;
constexpr UINT ILD_TRANSPARENT = 0x0001;
constexpr UINT ILD_BLEND25 = 0x0002;
constexpr UINT ILD_FOCUS = 0x0002;
constexpr UINT ILD_BLEND50 = 0x0004;
constexpr UINT ILD_SELECTED = 0x0004;
constexpr UINT ILD_BLEND = 0x0004;
constexpr UINT ILD_MASK = 0x0010;
constexpr UINT ILD_IMAGE = 0x0020;

constexpr COLORREF CLR_NONE = 0xFFFFFFFF;
constexpr COLORREF CLR_DEFAULT = 0xFF000000;

constexpr UINT ILCF_MOVE = 0x0000;
constexpr UINT ILCF_SWAP = 0x0001;

HIMAGELIST ImageList_Create(int Cx, int Cy, UINT Flags, int Initial, int Grow);
BOOL ImageList_Destroy(HIMAGELIST List);
int ImageList_GetImageCount(HIMAGELIST List);
BOOL ImageList_SetImageCount(HIMAGELIST List, UINT Count);
BOOL ImageList_GetIconSize(HIMAGELIST List, int *Cx, int *Cy);
BOOL ImageList_SetIconSize(HIMAGELIST List, int Cx, int Cy);
COLORREF ImageList_SetBkColor(HIMAGELIST List, COLORREF Color);
COLORREF ImageList_GetBkColor(HIMAGELIST List);
int ImageList_Add(HIMAGELIST List, HBITMAP Image, HBITMAP Mask);
int ImageList_AddMasked(HIMAGELIST List, HBITMAP Image, COLORREF MaskColor);
int ImageList_ReplaceIcon(HIMAGELIST List, int Index, HICON Icon);
BOOL ImageList_Replace(HIMAGELIST List, int Index, HBITMAP Image, HBITMAP Mask);
BOOL ImageList_Remove(HIMAGELIST List, int Index);
HICON ImageList_GetIcon(HIMAGELIST List, int Index, UINT Flags);
BOOL ImageList_Draw(HIMAGELIST List, int Index, HDC Dc, int X, int Y, UINT Style);
BOOL ImageList_DrawEx(HIMAGELIST List, int Index, HDC Dc, int X, int Y, int Dx, int Dy, COLORREF Bk,
                      COLORREF Fg, UINT Style);
BOOL ImageList_Copy(HIMAGELIST Dest, int IndexDest, HIMAGELIST Src, int IndexSrc, UINT Flags);
HIMAGELIST ImageList_Duplicate(HIMAGELIST List);
inline int ImageList_AddIcon(HIMAGELIST List, HICON Icon)
{
    return ImageList_ReplaceIcon(List, -1, Icon);
}
inline BOOL ImageList_RemoveAll(HIMAGELIST List)
{
    return ImageList_Remove(List, -1);
}
