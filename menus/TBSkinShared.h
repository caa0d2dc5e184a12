#pragma once
// Colour arithmetic, gradients and the translucent and shadowed icons the skins paint with.

#include "platform/vcl/Graphics.h"
#include "platform/vcl/ImgList.h"

#include <vector>

class TTBItemViewer;

enum TTBGradDir { tbgLeftRight, tbgTopBottom };

TColor BlendColors(TColor C1, TColor C2, long double W);
TColor ColorLighter(TColor Color, int Percent);
TColor ColorDarker(TColor Color, int Amount);
COLORREF ColorLighterRGB(COLORREF Color, int Percent);
COLORREF ColorDarkerRGB(COLORREF Color, int Amount);

// Has a window measure and draw its frame again where it is.
void RecalcFrame(HWND Wnd);
// A rectangle filled, or framed one pixel wide, in a solid colour.
void FillRectRGB(HDC DC, const RECT &R, COLORREF Color);
void FrameRectRGB(HDC DC, const RECT &R, COLORREF Color);
// An 8 pixel wide one-colour picture, one byte per row with the high bit on the left.
void DrawGlyphRows(HDC DC, const BYTE *Rows, int RowCount, int X, int Y, COLORREF Color);
void FillGradient(HDC DC, const TRect &R, TColor StartColor, TColor EndColor, TTBGradDir Direction);
// One solid band per pixel row or column; where the system has no gradient fill.
void FillGradient2(HDC DC, const TRect &R, TColor StartColor, TColor EndColor,
                   TTBGradDir Direction);
// Draws Points[0..LastIndex] with the DC's pen.
void PolylineEx(HDC DC, const std::vector<POINT> &Points, int LastIndex);
// The image drawn over what is under it with an opacity of Opacity / 255.
void BlendSkinIcon(TCanvas *Canvas, const TRect &R, TCustomImageList *Images, int ImageIndex,
                   int Opacity);
// The image as a flat darkened silhouette of the background.
void DrawSkinIconShadow(TCanvas *Canvas, const TRect &R, TCustomImageList *Images, int ImageIndex,
                        bool Light);
// Width of the image column of a skinned popup.
int GetImgListMargin(TTBItemViewer *Viewer);
