#pragma once

// Free functions on cp1251 texts (1-based positions) and numbers that the whole
// program shares. The file size by name is the runtime library's FileSizeByName.

#include "platform/rtl/System.h"

#include <string_view>
#include <vector>

// Replaces every occurrence of Search, found ignoring letter case.
void StringReplaceAll(AnsiString &Text, const AnsiString &Search, const AnsiString &Replacement);

bool IsDigitChar(char Ch);
// Latin and Cyrillic letters; Ё and ё are not among them.
bool IsLetterChar(char Ch);
bool IsHexDigitChar(char Ch);
bool CharInString(char Ch, std::string_view Text);

// The value printed with Decimals decimals and read back; stored in Result too.
double RoundToDecimals(double Value, int Decimals, double &Result);

// Removes leading and trailing blanks (the blank character only).
void TrimSpaces(AnsiString &Text);
AnsiString PadRight(const AnsiString &Text, int Length, char Fill);
AnsiString PadLeft(const AnsiString &Text, int Length, char Fill);
// Keeps the characters of Text that occur in Set, in their order.
AnsiString KeepCharsOfSet(AnsiString &Text, const AnsiString &Set);

// "0102", 2, " " gives "01 02": a separator after every Count characters but the last.
AnsiString InsertSeparatorEvery(const AnsiString &Text, int Count, const AnsiString &Separator);
// "01 02", 3 gives "0102": drops every Count-th character unless it is the last one.
// The separator's length is taken for symmetry with the insertion and not needed.
AnsiString RemoveSeparatorEvery(const AnsiString &Text, int Count, int SeparatorLength = 1);

// The application's message box with an OK button.
void ShowMessageBox(const AnsiString &Text, const AnsiString &Caption);
// Text on the terminal the program was started from, for when there is no window to show it.
void SayOnTerminal(const AnsiString &Text);
// Why a link led to a file that was left alone; Error is a refusal of a link (FileAccess.h).
AnsiString LeftAloneText(int Error);

// "COM12" gives "COM" and "12"; a text without trailing digits gives itself and "".
void SplitTrailingDigits(const AnsiString &Text, AnsiString &Prefix, AnsiString &Digits);

// The amount of a receipt in Russian words: "Двести рублей 00 коп."; empty under one rouble.
AnsiString SumInWords(double Amount);

// One value of the system's serial port list: "COM5" named \Device\VCP0 gives
// the port prefix COM, port 5, the device prefix \Device\VCP and device 0.
struct TComPortEntry {
    AnsiString PortPrefix;
    int PortNumber = 1;
    AnsiString DevicePrefix;
    int DeviceNumber = 0;
};

// The serial ports the system lists, by port number; empty when there is no list.
void EnumComPorts(std::vector<TComPortEntry> &List);
