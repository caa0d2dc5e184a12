#pragma once

// Compiles source text to IL and renders the IL tree as a compact outline,
// so that a test states the whole expected program in one line.

#include "platform/rtl/System.h"
#include "script/fs_iilparser.h"
#include "script/fs_xml.h"

#include <string>

namespace scripttest
{

struct ILResult {
    bool Ok = false;
    std::string ErrorMsg;
    std::string ErrorPos;
    std::string ErrorUnit;
    std::string Outline; // the program without its types
};

// An element as name{children}, a leaf with a text as name:text; with
// Positions, each name carries its pos (and an expression its pos1) in
// parentheses.
std::string Outline(const TfsXMLItem *Item, bool Positions = false);

ILResult MakeIL(const char *Language, const AnsiString &Text, bool Positions = false);

// Source lines joined the way a script's lines are: CR LF after each.
AnsiString Lines(std::initializer_list<const char *> Lines);

} // namespace scripttest
