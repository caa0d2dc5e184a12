#pragma once
// The rectangle and point helpers of the window manager. Rectangles are half-open:
// right and bottom lie just outside, so an empty rectangle has right <= left or
// bottom <= top.

#include "platform/win/WinTypes.h"

BOOL SetRect(LPRECT Rect, int Left, int Top, int Right, int Bottom);
BOOL SetRectEmpty(LPRECT Rect);
BOOL CopyRect(LPRECT Dest, const RECT *Source);
BOOL IsRectEmpty(const RECT *Rect);
BOOL EqualRect(const RECT *A, const RECT *B);
BOOL PtInRect(const RECT *Rect, POINT Point);
BOOL OffsetRect(LPRECT Rect, int Dx, int Dy);
BOOL InflateRect(LPRECT Rect, int Dx, int Dy);
BOOL IntersectRect(LPRECT Dest, const RECT *A, const RECT *B);
BOOL UnionRect(LPRECT Dest, const RECT *A, const RECT *B);
BOOL SubtractRect(LPRECT Dest, const RECT *Source, const RECT *Remove);
