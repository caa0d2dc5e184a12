#pragma once

// Searching and slicing helpers over cp1251 text.

#include "platform/rtl/System.h"

// First occurrence of SubStr at or after Offset (1-based); 0 when absent,
// when SubStr is empty or when Offset lies outside the text.
int PosEx(const AnsiString &SubStr, const AnsiString &S, int Offset = 1);

AnsiString LeftStr(const AnsiString &Text, int Count);
AnsiString RightStr(const AnsiString &Text, int Count);
AnsiString MidStr(const AnsiString &Text, int Start, int Count);
AnsiString DupeString(const AnsiString &Text, int Count);
AnsiString ReverseString(const AnsiString &S);

// Every occurrence replaced; the Text forms ignore case over the whole code page.
AnsiString AnsiReplaceStr(const AnsiString &Text, const AnsiString &From, const AnsiString &To);
AnsiString AnsiReplaceText(const AnsiString &Text, const AnsiString &From, const AnsiString &To);

bool AnsiStartsStr(const AnsiString &SubText, const AnsiString &Text);
bool AnsiStartsText(const AnsiString &SubText, const AnsiString &Text);
bool AnsiEndsStr(const AnsiString &SubText, const AnsiString &Text);
bool AnsiEndsText(const AnsiString &SubText, const AnsiString &Text);
bool AnsiContainsStr(const AnsiString &Text, const AnsiString &SubText);
bool AnsiContainsText(const AnsiString &Text, const AnsiString &SubText);
