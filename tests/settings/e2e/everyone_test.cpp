// The dialog for users other than a sighted mouse user of a left-to-right language: what screen readers hear,
// the keyboard alone, right-to-left languages, and a window that answers while Apply runs.
#include <com.h>
#include <oleacc.h>

#include <vector>

#include "screenshot.h"
#include "velmora_fixture.h"

using namespace velmora_test;

namespace {

// Written out: the import libraries' IID_IAccessible resolves to no data.
constexpr IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
constexpr long kPushButton = 0x2B;    // ROLE_SYSTEM_PUSHBUTTON
constexpr long kOptionButton = 0x2D;  // ROLE_SYSTEM_RADIOBUTTON
constexpr long kUnavailable = 0x1;    // STATE_SYSTEM_UNAVAILABLE
constexpr long kChecked = 0x10;       // STATE_SYSTEM_CHECKED

struct Heard {
    std::wstring name;
    long role = 0;
    long state = 0;
};

// What a screen reader reads of a control, through the accessibility API from this process.
::testing::AssertionResult Hear(HWND control, Heard& heard) {
    IAccessible* object = nullptr;
    const HRESULT hr = ::AccessibleObjectFromWindow(control, OBJID_CLIENT, kIidAccessible,
                                                    reinterpret_cast<void**>(&object));
    if (FAILED(hr) || !object)
        return ::testing::AssertionFailure() << "no accessible object, hr " << std::hex << hr;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    VARIANT role{}, state{};
    const bool read = SUCCEEDED(object->get_accName(self, &name)) &&
                      SUCCEEDED(object->get_accRole(self, &role)) &&
                      SUCCEEDED(object->get_accState(self, &state));
    heard.name = name ? std::wstring(name, ::SysStringLen(name)) : L"";
    heard.role = role.vt == VT_I4 ? role.lVal : -1;
    heard.state = state.vt == VT_I4 ? state.lVal : -1;
    ::SysFreeString(name);
    object->Release();
    return read ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "a read failed";
}

::testing::AssertionResult HearsAs(HWND dlg, int id, const std::wstring& name, long role, long stateSet,
                                   long stateClear) {
    Heard heard;
    ::testing::AssertionResult read = Hear(::GetDlgItem(dlg, id), heard);
    if (!read) return read << " (control " << id << ")";
    if (heard.name != name || heard.role != role || (heard.state & stateSet) != stateSet ||
        (heard.state & stateClear) != 0)
        return ::testing::AssertionFailure()
               << "control " << id << " reads as \"" << e2e::Narrow(heard.name) << "\", role 0x" << std::hex
               << heard.role << ", state 0x" << heard.state;
    return ::testing::AssertionSuccess();
}

HWND FocusOf(HWND dlg) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(dlg, nullptr), &info);
    return info.hwndFocus;
}

// A key pressed and released on the focused control, as the keyboard sends it to the program's queue.
void PressKey(HWND dlg, WPARAM key) {
    HWND focus = FocusOf(dlg);
    ::PostMessageW(focus, WM_KEYDOWN, key, 1);
    ::PostMessageW(focus, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
}

// Whether the top row of a control on the screen differs from the same row of a bitmap of the program: a
// focus cue drawn over the control's image.
bool TopRowDiffersFromImage(HWND control, const std::wstring& exe, UINT image) {
    HMODULE program = ::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    RECT rc;
    ::GetClientRect(control, &rc);
    bool differs = false;
    for (int x = 0; x < rc.right && !differs; ++x)
        differs = e2e::ScreenPixel(control, x, 0) != e2e::BitmapResourcePixel(program, image, x, 0);
    ::FreeLibrary(program);
    return differs;
}

// The pixels of a window's client area, as 32-bit values, from a device compatible with the screen.
std::vector<DWORD> Pixels(HDC source, int x, int y, int width, int height) {
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, width, height, source, x, y, SRCCOPY);
    ::SelectObject(mem, old);
    BITMAPINFOHEADER info{sizeof info, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    ::GetDIBits(mem, bmp, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

std::vector<DWORD> OnScreen(HWND label) {
    RECT rc;
    ::GetClientRect(label, &rc);
    POINT origin{0, 0};
    ::ClientToScreen(label, &origin);
    HDC screen = ::GetDC(nullptr);
    std::vector<DWORD> pixels = Pixels(screen, origin.x, origin.y, rc.right, rc.bottom);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

// A label's text as a static control draws it with the dialog's label font and colours, in the given format.
std::vector<DWORD> Drawn(HWND label, const std::wstring& text, int height, int weight, COLORREF ink,
                         UINT format) {
    RECT rc;
    ::GetClientRect(label, &rc);
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, rc.right, rc.bottom);
    HGDIOBJ oldBitmap = ::SelectObject(mem, bmp);
    HFONT font = ::CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0,
                               CLEARTYPE_QUALITY, 0, L"Segoe UI");
    HGDIOBJ oldFont = ::SelectObject(mem, font);
    HBRUSH white = ::CreateSolidBrush(RGB(255, 255, 255));
    ::FillRect(mem, &rc, white);
    ::SetBkColor(mem, RGB(255, 255, 255));
    ::SetTextColor(mem, ink);
    ::DrawTextW(mem, text.c_str(), -1, &rc, format | DT_EXPANDTABS | DT_WORDBREAK);
    std::vector<DWORD> pixels = Pixels(mem, 0, 0, rc.right, rc.bottom);
    ::SelectObject(mem, oldFont);
    ::SelectObject(mem, oldBitmap);
    ::DeleteObject(white);
    ::DeleteObject(font);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

}  // namespace

TEST_F(VelmoraLocaleTest, ScreenReadersHearEachButtonsNameRoleAndState) {
    const std::wstring section = Section();
    const fw::CComScope com;
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    const wchar_t* s = section.c_str();
    EXPECT_TRUE(HearsAs(dlg, IDC_ON_OPTION, UiText(L"On", s), kOptionButton, 0, kChecked | kUnavailable));
    EXPECT_TRUE(HearsAs(dlg, IDC_OFF_OPTION, UiText(L"Off", s), kOptionButton, kChecked, kUnavailable));
    EXPECT_TRUE(HearsAs(dlg, IDOK, UiText(L"OK", s), kPushButton, 0, kUnavailable));
    EXPECT_TRUE(HearsAs(dlg, IDCANCEL, UiText(L"CANCEL", s), kPushButton, 0, kUnavailable));
    EXPECT_TRUE(HearsAs(dlg, IDC_APPLY, UiText(L"APPLY", s), kPushButton, kUnavailable, 0));
    EXPECT_TRUE(HearsAs(dlg, IDC_HELP_BUTTON, UiText(L"HELP", s), kPushButton, 0, kUnavailable));
    EXPECT_FALSE(UiText(L"HELP", s).empty());

    ASSERT_TRUE(app.Click(dlg, IDC_ON_OPTION));
    EXPECT_TRUE(HearsAs(dlg, IDC_ON_OPTION, UiText(L"On", s), kOptionButton, kChecked, 0));
    EXPECT_TRUE(HearsAs(dlg, IDC_OFF_OPTION, UiText(L"Off", s), kOptionButton, 0, kChecked));
    EXPECT_TRUE(HearsAs(dlg, IDC_APPLY, UiText(L"APPLY", s), kPushButton, 0, kUnavailable));
    ASSERT_TRUE(app.Click(dlg, IDCANCEL));
    ASSERT_TRUE(app.WaitExit());
}

TEST_F(VelmoraTest, KeyboardAloneTabsToOnChoosesItWithSpaceAndConfirmsWithEnter) {
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    HWND on = ::GetDlgItem(dlg, IDC_ON_OPTION), off = ::GetDlgItem(dlg, IDC_OFF_OPTION);
    // The chosen option (Off) has the focus, without a cue until a key is used.
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(dlg) == off; }));
    ASSERT_TRUE(e2e::WaitForStillWindow(dlg));
    EXPECT_FALSE(TopRowDiffersFromImage(off, Exe(), IDB_OPTION_CHOSEN));

    // Tab goes round in reading order, past the greyed-out Apply and never to the background.
    for (int next : {IDOK, IDCANCEL, IDC_HELP_BUTTON, IDC_ON_OPTION}) {
        PressKey(dlg, VK_TAB);
        EXPECT_TRUE(WaitUntil([&] { return FocusOf(dlg) == ::GetDlgItem(dlg, next); })) << next;
    }
    ASSERT_TRUE(e2e::WaitForStillWindow(dlg));
    EXPECT_TRUE(TopRowDiffersFromImage(on, Exe(), IDB_OPTION_NOT_CHOSEN))
        << "no focus cue on the focused option";

    PressKey(dlg, VK_SPACE);
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(dlg, IDC_APPLY)) != FALSE; }));
    EXPECT_EQ(BST_CHECKED, app.Send(on, BM_GETCHECK));
    EXPECT_TRUE(FirmwareSwitches().empty());

    PressKey(dlg, VK_RETURN);
    ASSERT_TRUE(app.WaitExit(120000));
    const auto switches = FirmwareSwitches();
    ASSERT_EQ(1u, switches.size());
    EXPECT_EQ(0u, switches[0].find("sig=0x5843 fn=0x6E req=0x81"));
    EXPECT_EQ(1u, StoredMode().value_or(99));
}

// While the 308 powercfg commands of 30 schemes run one after another, the dialog keeps painting and
// answering, and takes no input: no second Apply, no OK.
TEST_F(VelmoraTest, ApplyWithThirtySchemesKeepsPaintingAndRefusesInput) {
    ASSERT_TRUE(ResetMachine(30));
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    HWND ok = ::GetDlgItem(dlg, IDOK), apply = ::GetDlgItem(dlg, IDC_APPLY);
    ASSERT_TRUE(app.Click(dlg, IDC_ON_OPTION));
    ::PostMessageW(apply, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowEnabled(dlg); }, 30000)) << "Apply did not start";

    // The user clicks OK and Apply again meanwhile; a click sent to OK is answered and ignored.
    for (HWND button : {ok, apply}) {
        ::PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }
    DWORD_PTR ignored = 0;
    EXPECT_TRUE(::SendMessageTimeoutW(ok, BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &ignored));

    // Each round has the dialog repaint its whole client area.
    int paints = 0, missed = 0;
    while (!::IsWindowEnabled(dlg) && ::IsWindow(dlg)) {
        ::InvalidateRect(dlg, nullptr, FALSE);
        if (WaitUntil([&] { return !::GetUpdateRect(dlg, nullptr, FALSE); }, 2000))
            ++paints;
        else
            ++missed;
    }
    EXPECT_GE(paints, 10);
    EXPECT_EQ(0, missed);

    ASSERT_TRUE(::IsWindow(dlg)) << "OK was taken during the run";
    EXPECT_EQ(1u, FirmwareSwitches().size());
    EXPECT_EQ(308u, PowercfgCommands().size());
    EXPECT_EQ(1u, StoredMode().value_or(99));
    app.Send(dlg, WM_NULL);
    EXPECT_FALSE(::IsWindowEnabled(apply));
    EXPECT_TRUE(::IsWindow(dlg));
    ASSERT_TRUE(app.Click(dlg, IDCANCEL));
    ASSERT_TRUE(app.WaitExit());
    EXPECT_EQ(1u, FirmwareSwitches().size());
}

// Arabic and Hebrew texts read right to left from the right edge of their labels; every other language's
// read left to right from the left edge, as before.
TEST_F(VelmoraLocaleTest, LabelsOfArabicAndHebrewReadRightToLeft) {
    const std::wstring section = Section();
    const bool rightToLeft = section == L"0401" || section == L"040D";
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    ASSERT_TRUE(e2e::WaitForStillWindow(dlg));
    struct Label {
        int id;
        const wchar_t* key;
        int height, weight;
        COLORREF ink;
    };
    const COLORREF grey = RGB(0x77, 0x77, 0x77), black = RGB(0, 0, 0);
    for (const Label& l :
         {Label{IDC_DESCRIPTION, L"Desc", 16, 400, grey},
          Label{IDC_FEATURE_NAME, L"FuncName", 15, 900, black}, Label{IDC_ON_LABEL, L"On", 15, 400, black},
          Label{IDC_OFF_LABEL, L"Off", 15, 400, black}}) {
        HWND label = ::GetDlgItem(dlg, l.id);
        const std::wstring text = UiText(l.key, section.c_str());
        const auto leftToRight = Drawn(label, text, l.height, l.weight, l.ink, DT_LEFT);
        const auto rightToLeftDrawn = Drawn(label, text, l.height, l.weight, l.ink, DT_RIGHT | DT_RTLREADING);
        EXPECT_TRUE(OnScreen(label) == (rightToLeft ? rightToLeftDrawn : leftToRight)) << l.id;
        if (rightToLeft) {
            EXPECT_FALSE(leftToRight == rightToLeftDrawn) << l.id;
        }
    }
    ASSERT_TRUE(app.Click(dlg, IDCANCEL));
    ASSERT_TRUE(app.WaitExit());
}
