#pragma once

// Free functions shared by the report library: component names, bracketed
// expressions, page ranges, float and stream texts, collections inside
// component streams, message boxes and temporary files.

#include "platform/rtl/Classes.h"
#include "platform/rtl/ClassesFiler.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Graphics.h"

class TfrxReport;

// Holds a flag set while it lives, however the scope ends: a flag left set by an exception
// would leave its control deaf for good.
class TfrxFlagScope
{
public:
    explicit TfrxFlagScope(bool &Flag) : FFlag(Flag) { FFlag = true; }
    ~TfrxFlagScope() { FFlag = false; }
    TfrxFlagScope(const TfrxFlagScope &) = delete;
    TfrxFlagScope &operator=(const TfrxFlagScope &) = delete;

private:
    bool &FFlag;
};

struct TfrxRect {
    double Left, Top, Right, Bottom;
};
struct TfrxPoint {
    double X, Y;
};

TComponent *frxFindComponent(TComponent *Owner, const AnsiString &Name);
AnsiString frxGetFullName(TComponent *Root, TComponent *C);
// Every component of ClassRef but Skip on the report's owner and on the forms, as
// (full name, component); for the design-time editors.
void frxGetComponents(TComponent *Owner, TClass ClassRef, TStrings *List, TComponent *Skip);

// I is the 1-based position of the opening bracket; J ends on the last
// character of the closing one. An unclosed bracket gives no expression.
AnsiString frxGetBrackedVariable(const AnsiString &Str, const AnsiString &OpenBracket,
                                 const AnsiString &CloseBracket, int &I, int &J);
WideString frxGetBrackedVariableW(const WideString &Str, const WideString &OpenBracket,
                                  const WideString &CloseBracket, int &I, int &J);

// Empty text: all pages. Ranges are kept within 1..Total.
void frxParsePageNumbers(const AnsiString &Text, TStrings *List, int Total);

double frxStrToFloat(const AnsiString &S);
// The nearest whole pixel of a coordinate (halves to even), held within a range far
// beyond any page where the sum or difference of two stays an int, whatever a template
// or a script set.
int frxNearest(double Value);
// Refuses a value read for a property, as a template's damaged value is refused.
[[noreturn]] void frxInvalidPropertyValue(const AnsiString &Value);
// A float of a template: every one is a position, a length or a scale, and one beyond
// a million (264 m in pixels) is damage that no drawing could take.
double frxTemplateFloat(const AnsiString &Text);
AnsiString frxFloatToStr(double D);
AnsiString frFloat2Str(double D, int Digits = 2);
bool frxIsValidFloat(const AnsiString &S);
AnsiString frxRemoveQuotes(const AnsiString &S);
void frxSetCommaText(const AnsiString &Text, TStrings *List, char Comma = ';');
AnsiString frxReverseString(const AnsiString &S);
AnsiString HTMLRGBColor(TColor Color);
TfrxRect frxRect(double Left, double Top, double Right, double Bottom);
TfrxPoint frxPoint(double X, double Y);

AnsiString frxStreamToString(TStream *Stream);
// Odd lengths and characters that are not hexadecimal digits raise EConvertError.
void frxStringToStream(const AnsiString &S, TStream *Stream);

// A collection of the report: in a template a list of its items' attribute texts, in a form
// resource the class library's collection. Either is read back.
void frxWriteCollection(TCollection *Collection, TWriter *Writer, TComponent *Owner);
void frxReadCollection(TCollection *Collection, TReader *Reader, TComponent *Owner);

void frxCommonErrorHandler(TfrxReport *Report, const AnsiString &Text);
void frxErrorMsg(const AnsiString &Text);
int frxConfirmMsg(const AnsiString &Text, TMsgDlgButtons Buttons);

class TCustomImageList;
// Cuts Bitmap into cells of Width x Height, left to right, and adds each to the
// lists given (the bottom-left pixel of a cell is its transparent colour).
void frxAssignImages(TBitmap *Bitmap, int Width, int Height, TCustomImageList *ImgList1,
                     TCustomImageList *ImgList2 = nullptr);
// Leaves out the bitmap's transparent colour (its bottom-left pixel).
void frxDrawTransparent(TCanvas *Canvas, int X, int Y, TBitmap *Bitmap);
void frxDrawGraphic(TCanvas *Canvas, const TRect &Rect, TGraphic *Graphic);

class TCustomForm;
// A developer's aid: writes a source line adding each caption and hint of the form's
// controls to the resource table, keyed "Form.Control.Caption" and "Form.Control.Hint",
// into the file frxFormToRes.txt of the temporary folder; gives that file's name.
AnsiString frxFormToRes(TCustomForm *Form);

AnsiString GetTemporaryFolder();
AnsiString GetTempFile();
AnsiString frxCreateTempFile(const AnsiString &TempDir);
AnsiString GetAppFileName();
AnsiString GetAppPath();
