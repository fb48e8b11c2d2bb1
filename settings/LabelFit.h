// Whether a text fits its label and at which size: measured with the font it is drawn in, as the platform's
// static control lays it out; and the dialog's labels and captions made to fit.
#pragma once
#include <windows.h>

#include <framework/handles.h>

#include <string>

#include "LabelLook.h"

class CGraphicButton;
class CStaticTrans;

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

// The longest beginning of `text` that, ended with an ellipsis, fits `rc` in `font` as DrawText lays it out
// in `format`; cut only where a character begins (never inside a surrogate pair nor before a combining mark),
// without the blanks before the ellipsis.
std::wstring EndWithEllipsis(HDC dc, HFONT font, const std::wstring& text, const RECT& rc, UINT format);

// A label of the dialog and how far down it may grow (dialog coordinates).
struct LabelRoom {
    CStaticTrans& label;
    RECT rect;
    LabelStyle style;
    int bottom;
};

// A label too long for its control wraps into the room below it, and where even that does not hold it, it
// gets a smaller font (made into `fitted`), a pixel at a time, down to three quarters of its height. A text
// that not even that holds takes all the room at the smallest font and shows as much of it as fits, ended
// with an ellipsis (screen readers still get all of it). A text that fits as it is keeps its control and
// font untouched.
void FitLabelInRoom(HDC dc, const LabelRoom& room, bool large, fw::CFont& fitted);
// A push button's caption too wide for its face gets a smaller font the same way, and an ellipsis where even
// that is too wide.
void FitCaption(HDC dc, CGraphicButton& button, bool large);
