// The dialog's graphic controls in a window of the test process (needs the test display).
#include <gtest/gtest.h>

#include <algorithm>

#include "../../../resources/settings/resource.h"
#include "controls/GraphicButton.h"
#include "test_support.h"
#include "controls/StaticTrans.h"

namespace {

// A top-level host window that counts the click notifications of its children.
class Host {
public:
    Host() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ControlsTestHost";
        ::RegisterClassW(&wc);
        hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"host", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                 nullptr, wc.hInstance, nullptr);
        s_clicks = 0;
    }
    ~Host() { ::DestroyWindow(hwnd); }
    HWND Child(const wchar_t* cls, DWORD style, RECT rc) const {
        return ::CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, rc.left, rc.top,
                                 rc.right - rc.left, rc.bottom - rc.top, hwnd, reinterpret_cast<HMENU>(100),
                                 nullptr, nullptr);
    }
    static int Clicks() { return s_clicks; }
    HWND hwnd;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) ++s_clicks;
        return ::DefWindowProcW(h, msg, wp, lp);
    }
    static inline int s_clicks = 0;
};

void PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

// The colour a bitmap resource has at a point.
COLORREF BitmapPixel(UINT id, int x, int y) {
    return e2e::BitmapResourcePixel(::GetModuleHandleW(nullptr), id, x, y);
}

// Paints the button now and reads back one of its pixels.
COLORREF PaintedPixel(CGraphicButton& button, int x, int y) {
    button.Invalidate(TRUE);
    ::UpdateWindow(button);
    ::GdiFlush();
    HDC dc = ::GetDC(button);
    const COLORREF color = ::GetPixel(dc, x, y);
    ::ReleaseDC(button, dc);
    return color;
}

class GraphicButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        HWND hwnd = host.Child(L"BUTTON", BS_PUSHBUTTON, RECT{10, 10, 114, 34});
        ASSERT_TRUE(button.SubclassWindow(hwnd));
        ASSERT_TRUE(
            button.LoadBitmaps(IDB_BUTTON_NORMAL, IDB_BUTTON_HOVER, IDB_BUTTON_PRESSED, IDB_BUTTON_INACTIVE));
        PumpMessages();
    }
    Host host;
    CGraphicButton button;
    // A point of the button face that no caption covers.
    static constexpr int kX = 6, kY = 12;
};

}  // namespace

TEST_F(GraphicButtonTest, EachPaintShowsThePriorityLookAndConsumesHoverAndPressed) {
    const COLORREF normal = BitmapPixel(IDB_BUTTON_NORMAL, kX, kY),
                   hover = BitmapPixel(IDB_BUTTON_HOVER, kX, kY),
                   pressed = BitmapPixel(IDB_BUTTON_PRESSED, kX, kY);
    ASSERT_NE(normal, hover);
    ASSERT_NE(pressed, hover);
    auto hoverAndPaint = [&] {
        button.SendMessage(WM_MOUSEHOVER, 0, 0);
        return PaintedPixel(button, kX, kY);
    };
    EXPECT_EQ(normal, PaintedPixel(button, kX, kY));
    EXPECT_EQ(hover, hoverAndPaint());
    // Resting on: no second hover look until a paint without hover.
    EXPECT_EQ(normal, hoverAndPaint());
    EXPECT_EQ(hover, hoverAndPaint());
    EXPECT_EQ(normal, PaintedPixel(button, kX, kY));

    // Pressed wins over hover, for one paint that consumes both.
    button.SendMessage(WM_MOUSEHOVER, 0, 0);
    button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(pressed, PaintedPixel(button, kX, kY));
    EXPECT_EQ(normal, PaintedPixel(button, kX, kY));
    // Held: hovering is ignored; released, it shows again.
    EXPECT_EQ(normal, hoverAndPaint());
    button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(1, Host::Clicks());
    EXPECT_EQ(hover, hoverAndPaint());
}

TEST_F(GraphicButtonTest, InactiveButtonNeverShowsHoverButStillShowsPressed) {
    button.SetInactive(true);
    EXPECT_EQ(BitmapPixel(IDB_BUTTON_INACTIVE, kX, kY), PaintedPixel(button, kX, kY));
    button.SendMessage(WM_MOUSEHOVER, 0, 0);
    EXPECT_EQ(BitmapPixel(IDB_BUTTON_INACTIVE, kX, kY), PaintedPixel(button, kX, kY));
    button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(BitmapPixel(IDB_BUTTON_PRESSED, kX, kY), PaintedPixel(button, kX, kY));
    EXPECT_EQ(BitmapPixel(IDB_BUTTON_INACTIVE, kX, kY), PaintedPixel(button, kX, kY));
    button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

// The darkest pixel the button shows, painted afresh or as it stands: the caption's ink, since the images
// are light.
int DarkestLevel(CGraphicButton& button, bool repaint = true) {
    if (repaint) {
        button.Invalidate(TRUE);
        ::UpdateWindow(button);
    }
    ::GdiFlush();
    HDC dc = ::GetDC(button);
    const RECT rc = button.GetClientRect();
    int darkest = 255;
    for (int y = 0; y < rc.bottom; ++y)
        for (int x = 0; x < rc.right; ++x) {
            const COLORREF c = ::GetPixel(dc, x, y);
            darkest = std::min(darkest, std::max({int(GetRValue(c)), int(GetGValue(c)), int(GetBValue(c))}));
        }
    ::ReleaseDC(button, dc);
    return darkest;
}

TEST_F(GraphicButtonTest, CaptionIsBlackAndGreyWhenInactive) {
    button.SetLargeCaption(true);
    button.SetText(L"MMMM");
    EXPECT_LT(DarkestLevel(button), 70);
    button.SetInactive(true);
    const int inactive = DarkestLevel(button);
    EXPECT_GE(inactive, 110);  // 0x87 grey ink, not black
    EXPECT_LE(inactive, 150);  // but ink all the same
}

TEST_F(GraphicButtonTest, NewCaptionShowsFromTheNextPaintOn) {
    button.SetLargeCaption(true);
    const int blank = DarkestLevel(button);
    button.SetText(L"MMMM");
    EXPECT_EQ(blank, DarkestLevel(button, false));
    EXPECT_LT(DarkestLevel(button), 70);
    EXPECT_GT(blank, 110);
}

TEST_F(GraphicButtonTest, DoubleClickGivesOneClickNotificationAndNoSecondPressedLook) {
    button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    button.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(BitmapPixel(IDB_BUTTON_NORMAL, kX, kY), PaintedPixel(button, kX, kY));
    button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(1, Host::Clicks());
}

TEST_F(GraphicButtonTest, ReloadingReplacesTheImagesAndSaysWhenOneIsMissing) {
    ASSERT_TRUE(button.ReloadBitmaps(IDB_BUTTON_HOVER, IDB_BUTTON_HOVER, IDB_BUTTON_HOVER, IDB_BUTTON_HOVER));
    EXPECT_EQ(BitmapPixel(IDB_BUTTON_HOVER, kX, kY), PaintedPixel(button, kX, kY));
    constexpr UINT kNoSuchImage = 9999;
    EXPECT_FALSE(
        button.ReloadBitmaps(IDB_BUTTON_NORMAL, IDB_BUTTON_HOVER, kNoSuchImage, IDB_BUTTON_INACTIVE));
}

// The labels' colours are read from the screen by the dialog's tests; these are what the screen does not
// show: the area the parent repaints, and the brushes that are released.
TEST(StaticTransTest, BackgroundChangesRepaintTheParentAndReleaseTheirBrushes) {
    Host host;
    CStaticTrans label;
    ASSERT_TRUE(label.SubclassWindow(host.Child(L"STATIC", 0, RECT{20, 20, 120, 40})));
    PumpMessages();

    // The parent repaints what lies under the label, 2 pixels in from its edges, without erasing.
    ::ValidateRect(host.hwnd, nullptr);
    label.SetBackColor(RGB(255, 255, 255));
    RECT update{};
    ASSERT_TRUE(::GetUpdateRect(host.hwnd, &update, FALSE));
    const RECT inside{22, 22, 118, 38};
    EXPECT_TRUE(::EqualRect(&update, &inside))
        << update.left << "," << update.top << "," << update.right << "," << update.bottom;

    // Each request makes a fresh brush and releases the one before.
    HDC dc = ::CreateCompatibleDC(nullptr);
    const UINT reflected = fw::kReflectBase + WM_CTLCOLORSTATIC;
    LRESULT result = 0;
    ASSERT_TRUE(label.OnMessage(reflected, reinterpret_cast<WPARAM>(dc), 0, result));
    HBRUSH first = reinterpret_cast<HBRUSH>(result);
    ASSERT_TRUE(label.OnMessage(reflected, reinterpret_cast<WPARAM>(dc), 0, result));
    EXPECT_EQ(0u, ::GetObjectType(first));
    ::DeleteDC(dc);
}
