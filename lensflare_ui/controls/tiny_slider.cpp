/*
 * tiny_slider.cpp - the compact slider "TINYSLIDER": a caption, a base line
 * with a triangular thumb (and tick marks for short integer ranges), an
 * optional "%" sign and a buddy edit box, editing one number that is held
 * in a UI range (the track) and, for what reaches the caller's variables,
 * in a wider absolute range.
 *
 * Not here: keyboard handling and focus (the edit box has both), and any
 * message to the user.  The caller owns the record; the window owns its
 * font and any background brush it made itself.
 */
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "controls/controls.h"
#include "host/host_helpers.h"

namespace {

const char kSampleLabel[] = "This is sample text:";
const int kTrackInset = 6;          /* track runs from 6 to width - 7 */
const int kTrackSlack = 13;         /* width - usable track length */
const int kBaseLineUp = 8;          /* base line at client height - 8 */
const int kThumbStrip = 7;          /* rows under the base line: thumb and ticks */
const int kThumbHalfWidth = 6;
const int kMaxTickSpan = 10;        /* ticks only for integer spans up to this */
const int kCreateWidth = 296;
const int kCreateHeight = 30;
const int kEditX = 230, kEditY = 1, kEditWidth = 60, kEditHeight = 20;
const int kEditRightGap = 66;       /* edit left = width - width("%") - 66 */
const int kEditBottomGap = 17;      /* edit top = height - edit client height - 17 */
const int kEditTextSize = 255;      /* bytes read from the edit box */
const int kMaxPrecision = 4;

/* Set once the class exists; owned by RegisterTinySliderClass. */
bool sliderClassRegistered;

/* The one drag in progress (only one window can hold the capture); owned by
 * the slider procedure.  dragWindow tells which slider it belongs to, so a
 * stray mouse message sent to another slider cannot steer it. */
struct SliderDrag {
    int32_t startInt;
    float startFloat;
    int16_t dragging;
    int16_t captured;
    HWND dragWindow;
};
SliderDrag drag;

TinySlider *Slider_Get(HWND window)
{
    return reinterpret_cast<TinySlider *>(GetWindowLongPtrA(window, 0));
}

int TrackLength(const TinySlider *rec)
{
    return rec->width - kTrackSlack;
}

/* On a slider too narrow for a track the upper end falls below 6; the
 * left end wins then. */
int16_t ClampToTrack(const TinySlider *rec, int x)
{
    int right = rec->width - kTrackInset - 1;
    if (x > right)
        x = right;
    if (x < kTrackInset)
        x = kTrackInset;
    return (int16_t)x;
}

/* A UI range of zero width (or one that is not a number) has no place for
 * a value, so the thumb rests at the left end rather than dividing by zero.
 * A range too wide for float arithmetic (-FLT_MAX to FLT_MAX) is worked
 * out in double. */
int16_t ThumbForPosition(const TinySlider *rec, float value, float min, float max)
{
    int track = TrackLength(rec);
    double x = kTrackInset;
    if (track > 0 && max - min != 0.0f) {
        double at = (value - min) / (max - min) * (float)track + (float)kTrackInset;
        if (!std::isfinite(max - min) || !std::isfinite(at))
            at = ((double)value - min) / ((double)max - min) * track + kTrackInset;
        if (std::isfinite(at))
            x = at;
    }
    /* Clamped before the conversion, which could overflow otherwise. */
    if (x > 32767.0)
        x = 32767.0;
    if (x < 0.0)
        x = 0.0;
    return ClampToTrack(rec, (int)x);
}

bool IsIntegerMode(const TinySlider *rec)
{
    return rec->mode == SLIDER_MODE_INTEGER;
}

int16_t ThumbFromValue(const TinySlider *rec)
{
    if (IsIntegerMode(rec))
        return ThumbForPosition(rec, (float)rec->intValue, (float)rec->intMin,
                                (float)rec->intMax);
    return ThumbForPosition(rec, rec->floatValue, rec->floatMin, rec->floatMax);
}

float FractionOfTrack(const TinySlider *rec)
{
    int track = TrackLength(rec);
    if (track <= 0)
        return 0.0f;
    return (float)(rec->thumbX - kTrackInset) / (float)track;
}

/* Stores the slider value that the thumb's position stands for and
 * returns it as a float.  A span too wide for float arithmetic (a range
 * from -FLT_MAX to FLT_MAX) is worked out in double instead. */
float Slider_ValueFromThumb(TinySlider *rec)
{
    float fraction = FractionOfTrack(rec);
    if (IsIntegerMode(rec)) {
        float span = (float)((int64_t)rec->intMax - (int64_t)rec->intMin);
        rec->intValue = TruncSaturated(fraction * span + (float)rec->intMin);
        return (float)rec->intValue;
    }
    float value = fraction * (rec->floatMax - rec->floatMin) + rec->floatMin;
    if (!std::isfinite(value)) {
        double wide = (double)fraction * ((double)rec->floatMax - (double)rec->floatMin) +
                      (double)rec->floatMin;
        value = std::isfinite(wide) ? (float)wide : rec->floatMin;
    }
    rec->floatValue = value;
    return value;
}

float CurrentValue(const TinySlider *rec)
{
    return IsIntegerMode(rec) ? (float)rec->intValue : rec->floatValue;
}

/* Precisions outside 0..4 are shown as the nearest of 0 or 4 decimals
 * rather than leaving the box empty. */
void FormatFloatText(const TinySlider *rec, float value, char *out, size_t size)
{
    int precision = rec->precision;
    if (precision < 0)
        precision = 0;
    if (precision > kMaxPrecision)
        precision = kMaxPrecision;
    if (precision == 0) {
        snprintf(out, size, "%d", (int)TruncSaturated(value));
        return;
    }
    double scale = rec->percent ? 100.0 : 1.0;
    snprintf(out, size, "%.*f", precision, (double)value * scale);
}

void FormatSliderText(const TinySlider *rec, char *out, size_t size)
{
    if (IsIntegerMode(rec))
        snprintf(out, size, "%d", (int)rec->intValue);
    else
        FormatFloatText(rec, rec->floatValue, out, size);
}

/* A box that already shows the text keeps it: setting it again would
 * cost a repaint of the box for nothing (a panel taken over by an element
 * of the same values sets every box).  Its typing history goes as a new
 * text's would. */
void Slider_WriteText(TinySlider *rec)
{
    if (!rec->edit)
        return;
    char text[64], shown[64] = "";
    FormatSliderText(rec, text, sizeof text);
    if (GetFocus() != rec->edit && GetWindowTextA(rec->edit, shown, sizeof shown) >= 0 &&
        std::strcmp(shown, text) == 0) {
        SendMessageA(rec->edit, EM_EMPTYUNDOBUFFER, 0, 0);
        return;
    }
    SetWindowTextA(rec->edit, text);
}

void Slider_InvalidateThumbStrip(TinySlider *rec)
{
    if (!rec->window)
        return;
    RECT strip;
    GetClientRect(rec->window, &strip);
    strip.top = strip.bottom - kThumbStrip;
    InvalidateRect(rec->window, &strip, TRUE);
}

void Slider_CallTrack(TinySlider *rec, const char *phase, float value)
{
    if (rec->trackCallback)
        rec->trackCallback(Ki_Inquire_Token(phase), (int16_t)rec->id, value);
}

void Slider_CallChange(TinySlider *rec)
{
    if (rec->changeCallback)
        rec->changeCallback((int16_t)rec->id);
}

/* After a new value: the bound value into the targets, the thumb and the
 * text brought up to date, and the owner told when it changed. */
void Slider_Settle(TinySlider *rec, float bound, int16_t updateText, bool changed)
{
    if (rec->floatTarget)
        *rec->floatTarget = bound;
    if (rec->intTarget)
        *rec->intTarget = TruncSaturated(bound);
    rec->thumbX = ThumbFromValue(rec);
    if (updateText)
        Slider_WriteText(rec);
    if (changed)
        Slider_CallChange(rec);
}

/* The lower end is applied first: of a range given upside down the
 * upper end wins. */
template <typename T> T Within(T value, T low, T high)
{
    if (value < low)
        value = low;
    if (value > high)
        value = high;
    return value;
}

void SetFloatValue(TinySlider *rec, float value, int16_t updateText, int16_t notify)
{
    float old = rec->floatValue;
    float shown = Within(value, rec->floatMin, rec->floatMax);
    rec->floatValue = shown;
    float bound = Within(value, rec->absMin, rec->absMax);
    Slider_Settle(rec, bound, updateText, notify && (shown != old || bound != old));
}

void SetIntegerValue(TinySlider *rec, float value, int16_t updateText, int16_t notify)
{
    int32_t old = rec->intValue;
    int32_t whole = TruncSaturated(value);
    int32_t shown = Within(whole, rec->intMin, rec->intMax);
    rec->intValue = shown;

    /* The lower end is tested against the whole part, the upper against
     * the whole part of the result: a fraction just below absMin survives. */
    float bound = value;
    if (rec->absMin > (float)whole)
        bound = rec->absMin;
    if ((float)TruncSaturated(bound) > rec->absMax)
        bound = rec->absMax;
    Slider_Settle(rec, bound, updateText,
                  notify && (shown != old || TruncSaturated(bound) != old));
}

/* ---- Typing ---------------------------------------------------------- */

void Slider_TextTyped(TinySlider *rec)
{
    char text[kEditTextSize] = "";
    GetWindowTextA(rec->edit, text, sizeof text);
    float number = (float)atof(text);
    /* "nan" reads like any other text that is not a number. */
    if (std::isnan(number))
        number = 0.0f;
    if (rec->percent)
        number /= 100.0f;
    int16_t rewrite = 0;
    if (number < rec->absMin) {
        number = rec->absMin;
        rewrite = 1;
    } else if (number > rec->absMax) {
        number = rec->absMax;
        rewrite = 1;
    }
    SetTinySliderValue(rec, number, rewrite, 1);
}

LRESULT Slider_Command(TinySlider *rec, HWND window, WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) != TINYSLIDER_EDIT_ID || rec->busy)
        return DefWindowProcA(window, WM_COMMAND, wParam, lParam);
    if (HIWORD(wParam) == EN_UPDATE)
        Slider_TextTyped(rec);
    return 0;
}

/* ---- Dragging -------------------------------------------------------- */

bool Slider_OwnsDrag(HWND window)
{
    return drag.dragWindow == window;
}

void Slider_BeginDrag(TinySlider *rec, HWND window)
{
    /* Capturing first lets a drag that another slider still holds end
     * through its own WM_CAPTURECHANGED before this one takes the state. */
    SetCapture(window);
    drag.startInt = rec->intValue;
    drag.startFloat = rec->floatValue;
    drag.dragging = 1;
    drag.dragWindow = window;
    drag.captured = 1;
    Slider_CallTrack(rec, "start", CurrentValue(rec));
}

void Slider_DragTo(TinySlider *rec, int x)
{
    rec->thumbX = ClampToTrack(rec, x);
    float value = Slider_ValueFromThumb(rec);
    SetTinySliderValue(rec, value, 1, 0);
    Slider_CallTrack(rec, "update", value);
}

/* Ends the drag with the thumb at x: the value it stands for is committed
 * and the owner hears of it when it differs from where the drag began. */
void Slider_EndDrag(TinySlider *rec, int x)
{
    int16_t thumb = ClampToTrack(rec, x);
    drag.dragging = 0;
    drag.dragWindow = nullptr;
    if (thumb != rec->thumbX) {
        rec->thumbX = thumb;
        float value = Slider_ValueFromThumb(rec);
        SetTinySliderValue(rec, value, 1, 0);
    }
    bool changed = IsIntegerMode(rec) ? rec->intValue != drag.startInt
                                      : rec->floatValue != drag.startFloat;
    /* Taken before the change callback, which may rebuild the owner's
     * controls around this slider. */
    SliderTrackFn track = rec->trackCallback;
    int16_t id = (int16_t)rec->id;
    float value = CurrentValue(rec);
    if (changed)
        Slider_CallChange(rec);
    if (track)
        track(Ki_Inquire_Token("end"), id, value);
}

void Slider_ButtonUp(TinySlider *rec, HWND window, int x)
{
    if (!drag.captured || !Slider_OwnsDrag(window))
        return;
    /* The flag goes first: ReleaseCapture sends WM_CAPTURECHANGED. */
    drag.captured = 0;
    ReleaseCapture();
    Slider_EndDrag(rec, x);
}

/* Capture taken away in mid-drag (WM_CANCELMODE, another window capturing,
 * a message box): the drag ends where the thumb is, as if released there,
 * so the owner still applies what the targets already hold. */
void Slider_LoseCapture(TinySlider *rec, HWND window)
{
    if (!drag.captured || !Slider_OwnsDrag(window))
        return;
    drag.captured = 0;
    if (GetCapture() == window)
        ReleaseCapture();
    Slider_EndDrag(rec, rec->thumbX);
}

/* A slider destroyed in mid-drag drops the drag without callbacks: its
 * owner is tearing it down and must not be called back into. */
void Slider_AbandonDrag(HWND window)
{
    if (!Slider_OwnsDrag(window))
        return;
    bool hadCapture = drag.captured != 0;
    drag = SliderDrag();
    if (hadCapture && GetCapture() == window)
        ReleaseCapture();
}

/* ---- Size and painting ----------------------------------------------- */

/* The "%" is measured in the slider's own font, the one it is drawn in, so
 * that the edit box ends exactly where the sign begins; the window's
 * default font can be narrower and would let the box cover the sign. */
int PercentWidth(TinySlider *rec, HWND window)
{
    SIZE size = {0, 0};
    HDC dc = GetDC(window);
    if (!dc)
        return 0;
    HGDIOBJ oldFont = rec->font ? SelectObject(dc, rec->font) : nullptr;
    GetTextExtentPoint32A(dc, "%", 1, &size);
    if (oldFont)
        SelectObject(dc, oldFont);
    ReleaseDC(window, dc);
    return size.cx;
}

void Slider_Resize(TinySlider *rec, HWND window, int width, int height)
{
    if (rec->edit) {
        RECT editClient;
        GetClientRect(rec->edit, &editClient);
        SetWindowPos(rec->edit, nullptr, width - PercentWidth(rec, window) - kEditRightGap,
                     height - editClient.bottom - kEditBottomGap, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    rec->width = (int16_t)width;
    rec->height = (uint16_t)height;
    /* The thumb keeps standing for the value on the new track length. */
    rec->thumbX = ThumbFromValue(rec);
    if (rec->window)
        Slider_InvalidateThumbStrip(rec);
}

void Slider_EraseBackground(TinySlider *rec, HWND window, HDC dc)
{
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, rec->background ? rec->background : GetSysColorBrush(COLOR_BTNFACE));
}

void DrawTextAbove(HDC dc, const char *text, int left, int bottom, int gap)
{
    int length = (int)strlen(text);
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text, length, &size);
    RECT box = {left, bottom - size.cy - gap, left + size.cx, bottom};
    DrawTextA(dc, text, length, &box, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

void Slider_DrawTicks(TinySlider *rec, HDC dc, int baseLine)
{
    int64_t span = (int64_t)rec->intMax - (int64_t)rec->intMin;
    if (!IsIntegerMode(rec) || span < 0 || span > kMaxTickSpan)
        return;
    for (int64_t i = rec->intMin; i <= rec->intMax; i++) {
        if (i == rec->intValue)
            continue;
        int x = ThumbForPosition(rec, (float)i, (float)rec->intMin, (float)rec->intMax);
        MoveToEx(dc, x, baseLine + 1, nullptr);
        LineTo(dc, x, baseLine + 5);
    }
}

void Slider_Paint(TinySlider *rec, HWND window, HDC dc)
{
    RECT client;
    GetClientRect(window, &client);
    int height = client.bottom;
    int baseLine = height - kBaseLineUp;

    int oldMode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = rec->font ? SelectObject(dc, rec->font) : nullptr;
    if (rec->label)
        DrawTextAbove(dc, rec->label, kTrackInset, baseLine, 4);
    if (rec->percent) {
        SIZE size = {0, 0};
        GetTextExtentPoint32A(dc, "%", 1, &size);
        DrawTextAbove(dc, "%", rec->width - kTrackInset - size.cx, baseLine, 5);
    }

    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, kTrackInset, baseLine, nullptr);
    LineTo(dc, client.right - kTrackInset, baseLine);
    Slider_DrawTicks(rec, dc, baseLine);
    POINT thumb[4] = {
        {rec->thumbX, height - kThumbStrip},
        {rec->thumbX - kThumbHalfWidth, height - 1},
        {rec->thumbX + kThumbHalfWidth, height - 1},
        {rec->thumbX, height - kThumbStrip},
    };
    Polyline(dc, thumb, 4);
    SelectObject(dc, oldPen);

    if (oldFont)
        SelectObject(dc, oldFont);
    SetBkMode(dc, oldMode);
}

void Slider_PaintWindow(TinySlider *rec, HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc)
        Slider_Paint(rec, window, dc);
    EndPaint(window, &paint);
}

/* The font always belongs to the slider; the background only when the
 * slider made it (a dialog's WM_CTLCOLORDLG brush stays the dialog's). */
void Slider_ReleaseBackground(TinySlider *rec)
{
    if (rec->background && rec->ownsBackground)
        DeleteObject(rec->background);
    rec->background = nullptr;
    rec->ownsBackground = 0;
}

void Slider_Destroyed(TinySlider *rec, HWND window)
{
    SetWindowLongPtrA(window, 0, 0);
    if (rec->font)
        DeleteObject(rec->font);
    rec->font = nullptr;
    Slider_ReleaseBackground(rec);
    rec->edit = nullptr;
    if (rec->window == window)
        rec->window = nullptr;
}

HFONT CreateSliderFont()
{
    return CreateFontA(10, 10, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                       FF_SWISS | DEFAULT_PITCH, "MS Sans Serif");
}

} // namespace

void RegisterTinySliderClass(HINSTANCE instance)
{
    WNDCLASSA cls = {};
    cls.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    cls.lpfnWndProc = TinySliderProc;
    cls.cbClsExtra = 0;
    cls.cbWndExtra = sizeof(TinySlider *);
    cls.hInstance = instance;
    cls.lpszClassName = TINYSLIDER_CLASS;
    if (RegisterClassA(&cls) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS)
        sliderClassRegistered = true;
}

HWND CreateTinySlider(HWND parent, HINSTANCE instance, TinySlider *slider, uint32_t id,
                      SliderChangeFn changeCallback)
{
    if (!slider)
        return nullptr;
    if (!sliderClassRegistered)
        RegisterTinySliderClass(instance);

    slider->background = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    slider->ownsBackground = 1;
    slider->changeCallback = changeCallback;
    slider->width = kCreateWidth;
    slider->height = kCreateHeight;
    slider->id = id;
    slider->busy = 0;
    slider->floatTarget = nullptr;
    slider->intTarget = nullptr;

    HWND window = CreateWindowExA(0, TINYSLIDER_CLASS, nullptr, WS_CHILD, 0, 0, kCreateWidth,
                                  kCreateHeight, parent, (HMENU)(UINT_PTR)id, instance, nullptr);
    if (!window) {
        /* Without a window nothing would ever release the brush. */
        Slider_ReleaseBackground(slider);
        return nullptr;
    }

    slider->window = window;
    SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(slider));
    slider->label = kSampleLabel;
    slider->thumbX = kTrackInset;
    slider->mode = SLIDER_MODE_FLOAT;
    slider->floatValue = 0.0f;
    slider->floatMin = 0.0f;
    slider->floatMax = 100.0f;

    slider->font = CreateSliderFont();
    slider->edit = CreateWindowExA(WS_EX_CLIENTEDGE, "edit", nullptr,
                                   WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | ES_RIGHT,
                                   kEditX, kEditY, kEditWidth, kEditHeight, window,
                                   (HMENU)(UINT_PTR)TINYSLIDER_EDIT_ID, instance, nullptr);
    if (slider->edit) {
        SendMessageA(slider->edit, WM_SETFONT, (WPARAM)slider->font, TRUE);
        /* The font's default margins would leave too little of the 60
         * pixels for five characters ("0.000"). */
        SendMessageA(slider->edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                     MAKELPARAM(1, 1));
    }

    slider->busy = 1;
    float value = Slider_ValueFromThumb(slider);
    if (slider->edit) {
        char text[64];
        snprintf(text, sizeof text, "%.3f", (double)value);
        SetWindowTextA(slider->edit, text);
    }
    slider->busy = 0;
    return window;
}

TinySlider *NewTinySlider(HWND parent, HINSTANCE instance, uint16_t id, SliderChangeFn change,
                          const TinySliderSetup &setup)
{
    TinySlider *slider = static_cast<TinySlider *>(Ki_Alloc_Memory(1, 0, sizeof(TinySlider)));
    if (!slider)
        return nullptr;
    if (!CreateTinySlider(parent, instance, slider, id, change)) {
        Ki_Free_Memory(slider);
        return nullptr;
    }
    SetTinySliderBackground(parent, slider);
    SetUpTinySlider(slider, setup);
    SetTinySliderValue(slider, setup.target ? *setup.target : 0.0f, 1, 0);
    return slider;
}

void SetUpTinySlider(TinySlider *slider, const TinySliderSetup &setup)
{
    slider->label = setup.label;
    slider->mode = setup.floatMode ? SLIDER_MODE_FLOAT : SLIDER_MODE_INTEGER;
    slider->floatMin = setup.uiMin;
    slider->floatMax = setup.uiMax;
    slider->intMin = TruncSaturated(setup.uiMin);
    slider->intMax = TruncSaturated(setup.uiMax);
    slider->absMin = setup.absMin;
    slider->absMax = setup.absMax;
    slider->floatTarget = setup.target;
    slider->precision = setup.precision;
    slider->percent = setup.percent;
    slider->trackCallback = setup.trackCallback;
}

void FreeTinySlider(TinySlider **slider)
{
    if (!slider || !*slider)
        return;
    DestroyTinySlider(&(*slider)->window);
    Ki_Free_Memory(*slider);
    *slider = nullptr;
}

void SetTinySliderBackground(HWND parent, TinySlider *slider)
{
    if (!slider)
        return;
    Slider_ReleaseBackground(slider);
    slider->background = DialogBackgroundBrush(parent, &slider->ownsBackground);
    if (slider->window)
        InvalidateRect(slider->window, nullptr, TRUE);
}

/* NaN carries no number: it is taken as 0, like text that is not a number,
 * then clamped as usual.  Infinities clamp to the ends of the ranges. */
void SetTinySliderValue(TinySlider *slider, float value, int16_t updateText, int16_t notify)
{
    if (!slider)
        return;
    if (std::isnan(value))
        value = 0.0f;
    int16_t wasBusy = slider->busy;
    int16_t thumbWas = slider->thumbX;
    slider->busy = 1;
    if (slider->mode == SLIDER_MODE_FLOAT)
        SetFloatValue(slider, value, updateText, notify);
    else if (slider->mode == SLIDER_MODE_INTEGER)
        SetIntegerValue(slider, value, updateText, notify);
    slider->busy = wasBusy;
    /* Only the thumb strip, but at once: a drag shows every step. */
    if (slider->thumbX != thumbWas)
        RefreshTinySliderThumb(slider);
}

void ShowTinySliderTarget(TinySlider *slider)
{
    if (!slider || !slider->floatTarget)
        return;
    SetTinySliderValue(slider, *slider->floatTarget, 1, 0);
    float bound = *slider->floatTarget;
    if (slider->mode != SLIDER_MODE_FLOAT || bound == slider->floatValue || !slider->edit)
        return;
    char text[64];
    FormatFloatText(slider, bound, text, sizeof text);
    int16_t wasBusy = slider->busy;
    slider->busy = 1;
    SetWindowTextA(slider->edit, text);
    slider->busy = wasBusy;
}

void RefreshTinySliderThumb(TinySlider *slider)
{
    if (!slider || !slider->window)
        return;
    Slider_InvalidateThumbStrip(slider);
    UpdateWindow(slider->window);
}

void DestroyTinySlider(HWND *window)
{
    if (!window || !*window)
        return;
    DestroyWindow(*window);
    *window = nullptr;
}

LRESULT CALLBACK TinySliderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    TinySlider *rec = Slider_Get(window);
    if (!rec)
        return DefWindowProcA(window, message, wParam, lParam);

    switch (message) {
    case WM_PAINT:
        Slider_PaintWindow(rec, window);
        return 0;
    case WM_PRINTCLIENT:
        if (lParam & PRF_ERASEBKGND)
            Slider_EraseBackground(rec, window, (HDC)wParam);
        Slider_Paint(rec, window, (HDC)wParam);
        return 0;
    case WM_ERASEBKGND:
        Slider_EraseBackground(rec, window, (HDC)wParam);
        return 1;
    case WM_SIZE:
        Slider_Resize(rec, window, (short)LOWORD(lParam), (short)HIWORD(lParam));
        return 0;
    case WM_COMMAND:
        return Slider_Command(rec, window, wParam, lParam);
    case WM_LBUTTONDOWN:
        Slider_BeginDrag(rec, window);
        return 0;
    case WM_MOUSEMOVE:
        if (drag.dragging && Slider_OwnsDrag(window))
            Slider_DragTo(rec, (short)LOWORD(lParam));
        return 0;
    case WM_LBUTTONUP:
        Slider_ButtonUp(rec, window, (short)LOWORD(lParam));
        return 0;
    case WM_CAPTURECHANGED:
        if ((HWND)lParam != window)
            Slider_LoseCapture(rec, window);
        return 0;
    case WM_CANCELMODE:
        Slider_LoseCapture(rec, window);
        return 0;
    case WM_DESTROY:
        Slider_AbandonDrag(window);
        return 0;
    case WM_NCDESTROY:
        Slider_Destroyed(rec, window);
        return DefWindowProcA(window, message, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
