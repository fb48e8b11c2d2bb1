// Whether a text fits its label and at which size: measured with the font it is drawn in, as the platform's
// static control lays it out; and the dialog's labels and captions made to fit.
#pragma once
#include <windows.h>

#include <handles.h>

#include <string>

#include "LabelLook.h"

class CGraphicButton;

struct LabelFit {
    int height;  // the font's cell height in pixels
    RECT rect;   // the label's rectangle: the one given, grown downwards where the wrapped text needs it
    bool whole;  // false: not even the smallest height holds the whole text (it is then at that height)
};

// The largest "Segoe UI" height from `height` down to `minimum` at which `text`, wrapped at the width of
// `rc` as the platform wraps a static control's text (`format`: DT_WORDBREAK for a label, DT_SINGLELINE for a
// caption), is no wider than `rc` and ends above `bottom`; the rectangle keeps its top, width and at least
// its height.
LabelFit FitLabel(HDC dc, const std::wstring& text, const RECT& rc, int bottom, int height, int weight,
                  UINT format, int minimum);

// A label of the dialog and how far down it may grow (dialog coordinates).
struct LabelRoom {
    HWND label;
    RECT rect;
    LabelStyle style;
    int bottom;
};

// A label too long for its control wraps into the room below it, and where even that does not hold it, it
// gets a smaller font (made into `fitted`), a pixel at a time, down to three quarters of its height. A text
// that fits as it is keeps its control and font untouched.
void FitLabelInRoom(HDC dc, const LabelRoom& room, bool large, fw::CFont& fitted);
// A push button's caption too wide for its face gets a smaller font the same way.
void FitCaption(HDC dc, CGraphicButton& button, bool large);
