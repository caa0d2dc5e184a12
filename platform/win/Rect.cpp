#include "platform/win/Rect.h"

#include <algorithm>

BOOL SetRect(LPRECT Rect, int Left, int Top, int Right, int Bottom)
{
    if (!Rect) return FALSE;
    *Rect = RECT{Left, Top, Right, Bottom};
    return TRUE;
}

BOOL SetRectEmpty(LPRECT Rect)
{
    return SetRect(Rect, 0, 0, 0, 0);
}

BOOL CopyRect(LPRECT Dest, const RECT *Source)
{
    if (!Dest || !Source) return FALSE;
    *Dest = *Source;
    return TRUE;
}

BOOL IsRectEmpty(const RECT *Rect)
{
    return !Rect || Rect->right <= Rect->left || Rect->bottom <= Rect->top;
}

BOOL EqualRect(const RECT *A, const RECT *B)
{
    if (!A || !B) return FALSE;
    return A->left == B->left && A->top == B->top && A->right == B->right && A->bottom == B->bottom;
}

BOOL PtInRect(const RECT *Rect, POINT Point)
{
    if (!Rect) return FALSE;
    return Point.x >= Rect->left && Point.x < Rect->right && Point.y >= Rect->top &&
           Point.y < Rect->bottom;
}

BOOL OffsetRect(LPRECT Rect, int Dx, int Dy)
{
    if (!Rect) return FALSE;
    Rect->left += Dx;
    Rect->right += Dx;
    Rect->top += Dy;
    Rect->bottom += Dy;
    return TRUE;
}

BOOL InflateRect(LPRECT Rect, int Dx, int Dy)
{
    if (!Rect) return FALSE;
    Rect->left -= Dx;
    Rect->right += Dx;
    Rect->top -= Dy;
    Rect->bottom += Dy;
    return TRUE;
}

BOOL IntersectRect(LPRECT Dest, const RECT *A, const RECT *B)
{
    if (!Dest || !A || !B) return FALSE;
    RECT Result{std::max(A->left, B->left), std::max(A->top, B->top), std::min(A->right, B->right),
                std::min(A->bottom, B->bottom)};
    if (IsRectEmpty(&Result)) {
        SetRectEmpty(Dest);
        return FALSE;
    }
    *Dest = Result;
    return TRUE;
}

BOOL UnionRect(LPRECT Dest, const RECT *A, const RECT *B)
{
    if (!Dest || !A || !B) return FALSE;
    if (IsRectEmpty(A) && IsRectEmpty(B)) {
        SetRectEmpty(Dest);
        return FALSE;
    }
    if (IsRectEmpty(A)) return CopyRect(Dest, B);
    if (IsRectEmpty(B)) return CopyRect(Dest, A);
    *Dest = RECT{std::min(A->left, B->left), std::min(A->top, B->top), std::max(A->right, B->right),
                 std::max(A->bottom, B->bottom)};
    return TRUE;
}

// Win32 only shrinks the source when the removed rectangle covers a whole side of it;
// anything else leaves the source unchanged.
BOOL SubtractRect(LPRECT Dest, const RECT *Source, const RECT *Remove)
{
    if (!Dest || !Source || !Remove) return FALSE;
    RECT Result = *Source;
    RECT Overlap;
    if (IntersectRect(&Overlap, Source, Remove)) {
        const bool FullWidth = Overlap.left == Result.left && Overlap.right == Result.right;
        const bool FullHeight = Overlap.top == Result.top && Overlap.bottom == Result.bottom;
        if (FullWidth && Overlap.top == Result.top)
            Result.top = Overlap.bottom;
        else if (FullWidth && Overlap.bottom == Result.bottom)
            Result.bottom = Overlap.top;
        else if (FullHeight && Overlap.left == Result.left)
            Result.left = Overlap.right;
        else if (FullHeight && Overlap.right == Result.right)
            Result.right = Overlap.left;
    }
    *Dest = Result;
    return !IsRectEmpty(&Result);
}
