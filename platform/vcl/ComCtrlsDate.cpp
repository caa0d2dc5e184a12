// The date-time picker and its drop-down month calendar.

#include "platform/rtl/DateUtils.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/PopupWindow.h"
#include "platform/win/Paint.h"
#include "platform/win/SysParams.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

namespace
{

constexpr int FieldCount = 3;
constexpr int YearField = 2;
constexpr int YearDigits = 4;
constexpr int DaysPerWeek = 7;

struct TDateParts {
    int Year, Month, Day;
};

TDateParts PartsOf(TDateTime Value)
{
    TDateParts parts{};
    DecodeDate(Value, parts.Year, parts.Month, parts.Day);
    return parts;
}

double TimeOfDay(TDateTime Value)
{
    return Value - std::floor(Value);
}

// A year typed with one or two digits, placed as the date parser places it.
int FullYear(int Typed)
{
    const int now = PartsOf(Now()).Year;
    const int first = now - TwoDigitYearCenturyWindow;
    int year = first / 100 * 100 + Typed;
    if (year < first) year += 100;
    return year;
}

} // namespace

// ---- The drop-down month calendar -----------------------------------------------------------

// A popup window below the picker, holding the capture while open, so a click anywhere
// else closes it. The picker keeps the focus and hands it its keys.
class TDateTimeCalendar : public TCustomControl
{
public:
    static constexpr int CellWidth = 26;
    static constexpr int CellHeight = 18;
    static constexpr int Margin = 4;
    static constexpr int TitleHeight = 24;
    static constexpr int DayNamesHeight = 20;
    static constexpr int TodayHeight = 22;
    static constexpr int Weeks = 6;

    explicit TDateTimeCalendar(TDateTimePicker *Picker) : TCustomControl(nullptr), FPicker(Picker)
    {
        SetVisible(false);
        SetColor(clWindow);
    }

    void Open()
    {
        FSelected = std::floor(FPicker->DateTime());
        ShowMonthOf(FSelected);
        const int width = 2 * Margin + DaysPerWeek * CellWidth + 2;
        const int height =
            2 * Margin + TitleHeight + DayNamesHeight + Weeks * CellHeight + TodayHeight + 2;
        TPoint origin = FPicker->ClientToScreen(TPoint(0, FPicker->Height()));
        const TRect work = Screen->WorkAreaRect();
        if (origin.Y + height > work.Bottom) origin.Y -= FPicker->Height() + height;
        origin.X = std::clamp(origin.X, work.Left, std::max(work.Left, work.Right - width));
        SetParentWindow(FPicker->Handle());
        SetBounds(origin.X, origin.Y, width, height);
        HandleNeeded();
        SetVisible(true);
        SetWindowPos(Handle(), HWND_TOPMOST, Left(), Top(), Width(), Height(),
                     SWP_SHOWWINDOW | SWP_NOACTIVATE);
        SetCapture(Handle());
    }

    void CloseUp()
    {
        if (!Visible()) return;
        SetVisible(false);
        if (GetCapture() == WindowHandle()) ReleaseCapture();
        if (HandleAllocated()) ShowWindow(WindowHandle(), SW_HIDE);
    }

    // The keys of an open calendar; false for a key it has no use for.
    bool HandleKey(WORD Key, TShiftState Shift)
    {
        switch (Key) {
        case VK_LEFT:
            return Select(FSelected - 1);
        case VK_RIGHT:
            return Select(FSelected + 1);
        case VK_UP:
            if (Shift.Contains(ssAlt)) return Close();
            return Select(FSelected - DaysPerWeek);
        case VK_DOWN:
            return Select(FSelected + DaysPerWeek);
        case VK_PRIOR:
            return Select(IncMonth(FSelected, Shift.Contains(ssCtrl) ? -12 : -1));
        case VK_NEXT:
            return Select(IncMonth(FSelected, Shift.Contains(ssCtrl) ? 12 : 1));
        case VK_HOME:
            return Select(FSelected - (PartsOf(FSelected).Day - 1));
        case VK_END: {
            const TDateParts parts = PartsOf(FSelected);
            return Select(FSelected + DaysInAMonth(parts.Year, parts.Month) - parts.Day);
        }
        case VK_RETURN:
            FPicker->ChooseFromCalendar(FSelected);
            return true;
        case VK_ESCAPE:
        case VK_F4:
            return Close();
        default:
            return false;
        }
    }

protected:
    void CreateParams(TCreateParams &Params) override
    {
        inherited::CreateParams(Params);
        vcl::SetPopupParams(Params, ParentWindow(), "TDateTimeCalendar");
    }

    void Paint() override
    {
        TCanvas *canvas = Canvas();
        canvas->Font()->Assign(FPicker->Font());
        canvas->Brush()->SetColor(clWindow);
        canvas->FillRect(ClientRect());
        canvas->Brush()->SetColor(clWindowFrame);
        canvas->FrameRect(ClientRect());
        PaintTitle(canvas);
        PaintDayNames(canvas);
        PaintDays(canvas);
        PaintToday(canvas);
    }

    void WndProc(TMessage &Message) override
    {
        const int x = GET_X_LPARAM(Message.LParam);
        const int y = GET_Y_LPARAM(Message.LParam);
        switch (Message.Msg) {
        case WM_LBUTTONDOWN:
            Press(x, y);
            return;
        case WM_RBUTTONDOWN:
            if (!ClientRect().Contains(x, y)) Close();
            return;
        case WM_LBUTTONUP:
            if (FPressedDay && DayAt(x, y) == FPressedDay)
                FPicker->ChooseFromCalendar(*FPressedDay);
            FPressedDay.reset();
            return;
        default:
            if (!vcl::HandleDropDownMessage(Message, WindowHandle(), FPicker, [this] { Close(); }))
                inherited::WndProc(Message);
            return;
        }
    }

private:
    bool Close()
    {
        FPicker->SetDroppedDown(false);
        return true;
    }

    bool Select(TDateTime Day)
    {
        FSelected = std::floor(Day);
        ShowMonthOf(FSelected);
        Invalidate();
        return true;
    }

    void ShowMonthOf(TDateTime Day)
    {
        const TDateParts parts = PartsOf(Day);
        FMonthStart = EncodeDate(parts.Year, parts.Month, 1);
    }

    // The Monday on or before the first of the month shown opens the first week.
    TDateTime FirstCellDay() const
    {
        const int mondayBased = (DayOfWeek(FMonthStart) + 5) % DaysPerWeek;
        return FMonthStart - mondayBased;
    }

    TRect TitleRect() const
    {
        return TRect(Margin + 1, Margin + 1, Width() - Margin - 1, Margin + 1 + TitleHeight);
    }
    TRect PreviousButton() const
    {
        const TRect title = TitleRect();
        return TRect(title.Left + 2, title.Top + 3, title.Left + 2 + 18, title.Bottom - 3);
    }
    TRect NextButton() const
    {
        const TRect title = TitleRect();
        return TRect(title.Right - 2 - 18, title.Top + 3, title.Right - 2, title.Bottom - 3);
    }
    int DaysTop() const { return TitleRect().Bottom + DayNamesHeight; }
    TRect CellRect(int Index) const
    {
        const int left = Margin + 1 + Index % DaysPerWeek * CellWidth;
        const int top = DaysTop() + Index / DaysPerWeek * CellHeight;
        return TRect(left, top, left + CellWidth, top + CellHeight);
    }
    TRect TodayRect() const
    {
        const int top = DaysTop() + Weeks * CellHeight + 2;
        return TRect(Margin + 1, top, Width() - Margin - 1, top + TodayHeight - 2);
    }

    std::optional<TDateTime> DayAt(int X, int Y) const
    {
        for (int index = 0; index < Weeks * DaysPerWeek; ++index)
            if (CellRect(index).Contains(X, Y)) return FirstCellDay() + index;
        if (TodayRect().Contains(X, Y)) return std::floor(Now());
        return std::nullopt;
    }

    void Press(int X, int Y)
    {
        if (!ClientRect().Contains(X, Y)) {
            Close();
            return;
        }
        if (PreviousButton().Contains(X, Y)) {
            Select(IncMonth(FSelected, -1));
            return;
        }
        if (NextButton().Contains(X, Y)) {
            Select(IncMonth(FSelected, 1));
            return;
        }
        FPressedDay = DayAt(X, Y);
        if (FPressedDay) Select(*FPressedDay);
    }

    static void TextIn(TCanvas *Canvas, const TRect &Rect, const AnsiString &Text)
    {
        Canvas->TextOut(Rect.Left + (Rect.Width() - Canvas->TextWidth(Text)) / 2,
                        Rect.Top + (Rect.Height() - Canvas->TextHeight(Text)) / 2, Text);
    }

    void PaintTitle(TCanvas *Canvas)
    {
        const TRect title = TitleRect();
        Canvas->Brush()->SetColor(clActiveCaption);
        Canvas->FillRect(title);
        const TDateParts parts = PartsOf(FMonthStart);
        Canvas->Font()->SetColor(clCaptionText);
        Canvas->Font()->SetStyle(TFontStyles{fsBold});
        TextIn(Canvas, title,
               LongMonthNames[parts.Month - 1] + " " + IntToStr(parts.Year) + " г."_a);
        Canvas->Font()->SetStyle(TFontStyles{});
        RECT previous = PreviousButton();
        RECT next = NextButton();
        DrawFrameControl(Canvas->Handle(), &previous, DFC_SCROLL, DFCS_SCROLLLEFT);
        DrawFrameControl(Canvas->Handle(), &next, DFC_SCROLL, DFCS_SCROLLRIGHT);
    }

    void PaintDayNames(TCanvas *Canvas)
    {
        Canvas->Brush()->SetColor(clWindow);
        Canvas->Font()->SetColor(clActiveCaption);
        const int top = TitleRect().Bottom;
        for (int column = 0; column < DaysPerWeek; ++column) {
            const int left = Margin + 1 + column * CellWidth;
            TextIn(Canvas, TRect(left, top, left + CellWidth, top + DayNamesHeight - 2),
                   ShortDayNames[(column + 1) % DaysPerWeek]);
        }
        Canvas->Pen()->SetColor(clGrayText);
        Canvas->MoveTo(Margin + 1, top + DayNamesHeight - 2);
        Canvas->LineTo(Width() - Margin - 1, top + DayNamesHeight - 2);
    }

    void PaintDays(TCanvas *Canvas)
    {
        const int month = PartsOf(FMonthStart).Month;
        const TDateTime today = std::floor(Now());
        const TDateTime first = FirstCellDay();
        for (int index = 0; index < Weeks * DaysPerWeek; ++index) {
            const TDateTime day = first + index;
            const TRect cell = CellRect(index);
            const bool selected = day == FSelected;
            Canvas->Brush()->SetColor(selected ? clHighlight : clWindow);
            Canvas->FillRect(cell);
            Canvas->Font()->SetColor(selected                      ? clHighlightText
                                     : PartsOf(day).Month != month ? clGrayText
                                                                   : clWindowText);
            TextIn(Canvas, cell, IntToStr(PartsOf(day).Day));
            if (day == today) {
                Canvas->Brush()->SetColor(clRed);
                Canvas->FrameRect(cell);
            }
        }
    }

    void PaintToday(TCanvas *Canvas)
    {
        const TRect line = TodayRect();
        Canvas->Brush()->SetColor(clWindow);
        Canvas->Font()->SetColor(clWindowText);
        Canvas->Font()->SetStyle(TFontStyles{fsBold});
        TextIn(Canvas, line, "Сегодня: "_a + FormatDateTime(ShortDateFormat, Now()));
        Canvas->Font()->SetStyle(TFontStyles{});
    }

    TDateTimePicker *FPicker;
    TDateTime FMonthStart = 0;
    TDateTime FSelected = 0;
    std::optional<TDateTime> FPressedDay;
};

// ---- TDateTimePicker ------------------------------------------------------------------------

TDateTimePicker::TDateTimePicker(TComponent *AOwner) : TWinControl(AOwner), FDateTime(Now())
{
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetBounds(0, 0, 186, 21);
}

TDateTimePicker::~TDateTimePicker()
{
    if (FCalendar) FCalendar->CloseUp();
}

void TDateTimePicker::SetDateTime(TDateTime Value)
{
    if (Value == FDateTime) return;
    FDateTime = Value;
    Invalidate();
}

TDateTime TDateTimePicker::Date() const
{
    return std::floor(FDateTime);
}

void TDateTimePicker::SetDate(TDateTime Value)
{
    SetDateTime(std::floor(Value) + TimeOfDay(FDateTime));
}

TDateTime TDateTimePicker::Time() const
{
    return TimeOfDay(FDateTime);
}

void TDateTimePicker::SetTime(TDateTime Value)
{
    SetDateTime(std::floor(FDateTime) + TimeOfDay(Value));
}

void TDateTimePicker::SetKind(TDateTimeKind Value)
{
    FKind = Value;
    SetDroppedDown(false);
    Invalidate();
}

void TDateTimePicker::SetDateFormat(TDTDateFormat Value)
{
    FDateFormat = Value;
    Invalidate();
}

void TDateTimePicker::SetDateMode(TDTDateMode Value)
{
    FDateMode = Value;
    SetDroppedDown(false);
    Invalidate();
}

AnsiString TDateTimePicker::DisplayText() const
{
    if (FKind == dtkTime) return FormatDateTime(LongTimeFormat, FDateTime);
    if (FDateFormat == dfLong) return rtl::LongDateText(FDateTime);
    return FormatDateTime(ShortDateFormat, FDateTime);
}

std::vector<TDateTimePicker::TSegment> TDateTimePicker::Segments() const
{
    const bool time = FKind == dtkTime;
    const AnsiString format = time                    ? LongTimeFormat
                              : FDateFormat == dfLong ? LongDateFormat
                                                      : ShortDateFormat;
    const std::string pattern = format.ToStd();
    std::vector<TSegment> segments;
    auto literal = [&segments](const AnsiString &Text) {
        if (segments.empty() || segments.back().Field >= 0)
            segments.push_back({Text, -1});
        else
            segments.back().Text += Text;
    };
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[i])));
        if (pattern[i] == '\'' || pattern[i] == '"') {
            const std::size_t close = pattern.find(pattern[i], i + 1);
            const std::size_t end = close == std::string::npos ? pattern.size() : close;
            literal(AnsiString(pattern.substr(i + 1, end - i - 1)));
            i = end + 1;
            continue;
        }
        const std::string letters = time ? "hnms" : "dmy";
        if (letters.find(letter) == std::string::npos) {
            literal(AnsiString(pattern[i]));
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < pattern.size() &&
               std::tolower(static_cast<unsigned char>(pattern[end])) == letter)
            ++end;
        const std::string token = pattern.substr(i, end - i);
        const int field = time ? (letter == 'h'   ? 0
                                  : letter == 's' ? 2
                                                  : 1)
                               : (letter == 'd'   ? 0
                                  : letter == 'm' ? 1
                                                  : 2);
        AnsiString text = FormatDateTime(AnsiString(token), FDateTime);
        if (!time && field == 1 && token.size() >= 4 && FDateFormat == dfLong)
            text = rtl::LongMonthNamesGenitive[PartsOf(FDateTime).Month - 1];
        if (field == FField && FTypedCount > 0 && !time && field == YearField)
            text = IntToStr(FTyped);
        segments.push_back({text, field});
        i = end;
    }
    return segments;
}

void TDateTimePicker::Change()
{
    if (OnChange) OnChange(this);
}

void TDateTimePicker::SetValue(TDateTime Value)
{
    if (Value == FDateTime) return;
    FDateTime = Value;
    Invalidate();
    Change();
}

void TDateTimePicker::StepField(int Delta)
{
    FinishTyping();
    TDateTime value = FDateTime;
    if (FKind == dtkTime) {
        static constexpr double Units[] = {1.0 / 24, 1.0 / 1440, 1.0 / 86400};
        double time = TimeOfDay(value) + Delta * Units[FField];
        time -= std::floor(time);
        value = std::floor(value) + time;
    } else if (FField == 0)
        value += Delta;
    else
        value = IncMonth(value, FField == 1 ? Delta : 12 * Delta);
    SetValue(value);
}

void TDateTimePicker::MoveToField(int Field)
{
    FinishTyping();
    FField = (Field + FieldCount) % FieldCount;
    Invalidate();
}

// The field's number as typed so far; a number the field cannot take changes nothing.
void TDateTimePicker::SetFieldNumber(int Number)
{
    if (FKind == dtkTime) {
        static constexpr int Limits[] = {23, 59, 59};
        if (Number > Limits[FField]) return;
        int parts[4];
        DecodeTime(FDateTime, parts[0], parts[1], parts[2], parts[3]);
        parts[FField] = Number;
        SetValue(std::floor(FDateTime) + EncodeTime(parts[0], parts[1], parts[2], parts[3]));
        return;
    }
    TDateParts parts = PartsOf(FDateTime);
    int *fields[] = {&parts.Day, &parts.Month, &parts.Year};
    static constexpr int Limits[] = {31, 12, 9999};
    if (Number < 1 || Number > Limits[FField]) return;
    *fields[FField] = Number;
    const int days = DaysInAMonth(parts.Year, parts.Month);
    if (FField == 0 && parts.Day > days) return;
    parts.Day = std::min(parts.Day, days);
    SetValue(EncodeDate(parts.Year, parts.Month, parts.Day) + TimeOfDay(FDateTime));
}

// Digits fill the field; when no further digit could fit, the next field is chosen.
void TDateTimePicker::TypeDigit(int Digit)
{
    const bool year = FKind == dtkDate && FField == YearField;
    const int digits = year ? YearDigits : 2;
    int number = FTyped * 10 + Digit;
    const int largest = FKind == dtkTime ? (FField == 0 ? 23 : 59)
                        : FField == 0
                            ? DaysInAMonth(PartsOf(FDateTime).Year, PartsOf(FDateTime).Month)
                            : 12;
    if (!year && FTypedCount > 0 && number > largest) {
        FTypedCount = 0;
        number = Digit;
    }
    FTyped = number;
    ++FTypedCount;
    if (!year) SetFieldNumber(number);
    const bool full = FTypedCount == digits || (!year && number * 10 > largest);
    if (!full) {
        Invalidate();
        return;
    }
    FinishTyping();
    if (FField < FieldCount - 1) ++FField;
    Invalidate();
}

// A year typed short is taken as the date parser takes one.
void TDateTimePicker::FinishTyping()
{
    if (FTypedCount == 0) return;
    const int typed = FTyped;
    const int count = FTypedCount;
    FTyped = 0;
    FTypedCount = 0;
    if (FKind == dtkDate && FField == YearField && count != 3)
        SetFieldNumber(count <= 2 ? FullYear(typed) : typed);
    Invalidate();
}

bool TDateTimePicker::DroppedDown() const
{
    return FCalendar && FCalendar->Visible();
}

void TDateTimePicker::SetDroppedDown(bool Value)
{
    if (Value == DroppedDown() || (Value && !HasDropDown())) return;
    if (Value) {
        FinishTyping();
        if (OnDropDown) OnDropDown(this);
        if (!FCalendar) FCalendar = std::make_unique<TDateTimeCalendar>(this);
        FCalendar->Open();
    } else {
        FCalendar->CloseUp();
        if (OnCloseUp) OnCloseUp(this);
    }
    Invalidate();
}

void TDateTimePicker::ChooseFromCalendar(TDateTime Day)
{
    SetDroppedDown(false);
    SetValue(std::floor(Day) + TimeOfDay(FDateTime));
}

TRect TDateTimePicker::ButtonRect()
{
    const TRect client = ClientRect();
    return TRect(client.Right - 2 - GetSystemMetrics(SM_CXVSCROLL), 2, client.Right - 2,
                 client.Bottom - 2);
}

void TDateTimePicker::KeyDown(WORD &Key, TShiftState Shift)
{
    inherited::KeyDown(Key, Shift);
    if (DroppedDown()) {
        if (FCalendar->HandleKey(Key, Shift)) Key = 0;
        return;
    }
    switch (Key) {
    case VK_LEFT:
        MoveToField(FField - 1);
        break;
    case VK_RIGHT:
        MoveToField(FField + 1);
        break;
    case VK_UP:
        StepField(1);
        break;
    case VK_DOWN:
        if (Shift.Contains(ssAlt))
            SetDroppedDown(true);
        else
            StepField(-1);
        break;
    case VK_F4:
        SetDroppedDown(true);
        break;
    case VK_PRIOR:
        StepField(FKind == dtkDate && FField == 0 ? 7 : 1);
        break;
    case VK_NEXT:
        StepField(FKind == dtkDate && FField == 0 ? -7 : -1);
        break;
    default:
        return;
    }
    Key = 0;
}

void TDateTimePicker::KeyPress(char &Key)
{
    inherited::KeyPress(Key);
    if (Key >= '0' && Key <= '9')
        TypeDigit(Key - '0');
    else if (static_cast<unsigned char>(Key) > ' ')
        // A separator typed after the field's digits goes on to the next field.
        MoveToField(std::min(FField + 1, FieldCount - 1));
    else
        return;
    Key = 0;
}

void TDateTimePicker::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) {
        if (CanFocus() && !Focused()) SetFocus();
        if (HasDropDown() && ButtonRect().Contains(X, Y))
            SetDroppedDown(!DroppedDown());
        else
            ChooseFieldAt(X);
    }
    inherited::MouseDown(Button, Shift, X, Y);
}

void TDateTimePicker::PaintWindow(HDC DC)
{
    const TRect client = ClientRect();
    RECT edge = client;
    DrawEdge(DC, &edge, EDGE_SUNKEN, BF_RECT);
    vcl::PaintCanvas canvas(DC, this);
    const bool enabled = IsEnabled();
    // A disabled picker is drawn as the system draws a disabled edit: grey text on the face.
    canvas->Brush()->SetColor(enabled ? Color() : clBtnFace);
    const int right = HasDropDown() ? ButtonRect().Left : client.Right - 2;
    canvas->FillRect(TRect(2, 2, right, client.Bottom - 2));
    const int top = (client.Height() - canvas->TextHeight("Wg")) / 2;
    int x = TextLeft;
    for (const TSegment &segment : Segments()) {
        const bool current = segment.Field == FField && Focused() && !DroppedDown();
        canvas->Brush()->SetColor(current ? clHighlight : enabled ? Color() : clBtnFace);
        canvas->Font()->SetColor(current   ? clHighlightText
                                 : enabled ? Font()->Color()
                                           : clGrayText);
        canvas->TextOut(x, top, segment.Text);
        x += canvas->TextWidth(segment.Text);
    }
    if (HasDropDown()) {
        RECT arrow = ButtonRect();
        DrawFrameControl(DC, &arrow, DFC_SCROLL,
                         DFCS_SCROLLCOMBOBOX | (DroppedDown() ? DFCS_PUSHED : 0) |
                             (enabled ? 0 : DFCS_INACTIVE));
    }
}

void TDateTimePicker::ChooseFieldAt(int X)
{
    const HDC dc = GetDC(Handle());
    int field = -1;
    {
        vcl::PaintCanvas canvas(dc, this);
        int right = TextLeft;
        for (const TSegment &segment : Segments()) {
            right += canvas->TextWidth(segment.Text);
            if (segment.Field >= 0) field = segment.Field;
            if (X < right && field >= 0) break;
        }
    }
    ReleaseDC(Handle(), dc);
    if (field >= 0) MoveToField(field);
}

void TDateTimePicker::WndProc(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | (DroppedDown() ? DLGC_WANTALLKEYS : 0);
        return;
    case WM_KILLFOCUS:
        FinishTyping();
        // The calendar may be handed the focus as it appears; it gives it straight back.
        if (!FCalendar || reinterpret_cast<HWND>(Message.WParam) != FCalendar->WindowHandle())
            SetDroppedDown(false);
        Invalidate();
        break;
    case WM_SETFOCUS:
        Invalidate();
        break;
    default:
        break;
    }
    inherited::WndProc(Message);
}
