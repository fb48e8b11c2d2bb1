#include "LabelFit.h"

#include <handles.h>

#include <algorithm>

LabelFit FitLabel(HDC dc, const std::wstring& text, const RECT& rc, int bottom, int height, int weight,
                  UINT format, int minimum) {
    const int width = rc.right - rc.left;
    LabelFit fit{height, rc, false};
    for (int h = height; h >= minimum && !fit.whole; --h) {
        fw::CFont font;
        font.CreateSegoeFont(h, weight);
        RECT needed{0, 0, width, 0};
        {
            const fw::CSelectObject measured(dc, font.Get());
            ::DrawTextW(dc, text.c_str(), -1, &needed, format | DT_EXPANDTABS | DT_CALCRECT);
        }
        fit.height = h;
        fit.whole = needed.right <= width && rc.top + needed.bottom <= std::max<LONG>(bottom, rc.bottom);
        if (fit.whole) fit.rect.bottom = std::max<LONG>(rc.bottom, rc.top + needed.bottom);
    }
    return fit;
}
