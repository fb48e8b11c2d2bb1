// Whether a text fits its label and at which size: measured with the font it is drawn in, as the platform's
// static control lays it out.
#pragma once
#include <windows.h>

#include <string>

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
