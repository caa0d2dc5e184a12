#pragma once
// Enhanced metafiles kept in memory: a metafile DC draws like a memory DC of the
// frame's size and records each text output as an EMR_EXTTEXTOUTW record with
// its bounds, which EnumEnhMetaFile hands back in order. No metafile files.

#include "platform/win/WinGdi.h"

struct HENHMETAFILE__;
using HENHMETAFILE = HENHMETAFILE__ *;

constexpr DWORD EMR_HEADER = 1;
constexpr DWORD EMR_EOF = 14;
constexpr DWORD EMR_EXTTEXTOUTW = 84;

struct RECTL {
    LONG left, top, right, bottom;
};
struct POINTL {
    LONG x, y;
};
struct EMR {
    DWORD iType;
    DWORD nSize; // bytes, a multiple of 4
};
struct EMRTEXT {
    POINTL ptlReference;
    DWORD nChars;
    DWORD offString; // from the record's start, UTF-16
    DWORD fOptions;
    RECTL rcl;
    DWORD offDx;
};
struct EMREXTTEXTOUTW {
    EMR emr;
    RECTL rclBounds; // device pixels the text covers
    DWORD iGraphicsMode;
    FLOAT exScale;
    FLOAT eyScale;
    EMRTEXT emrtext;
};
struct ENHMETARECORD {
    DWORD iType;
    DWORD nSize;
    DWORD dParm[1];
};
struct HANDLETABLE {
    HGDIOBJ objectHandle[1];
};
using ENHMFENUMPROC = int (*)(HDC, HANDLETABLE *, const ENHMETARECORD *, int, LPARAM);

// FileName must be null; Frame is in hundredths of a millimetre (the reference
// device's size when null).
HDC CreateEnhMetaFileW(HDC Reference, LPCWSTR FileName, const RECT *Frame, LPCWSTR Description);
HENHMETAFILE CloseEnhMetaFile(HDC Dc);
BOOL DeleteEnhMetaFile(HENHMETAFILE Metafile);
// Calls Proc for each record, header first and end last, until it answers 0.
BOOL EnumEnhMetaFile(HDC Dc, HENHMETAFILE Metafile, ENHMFENUMPROC Proc, LPVOID Data,
                     const RECT *Rect);
