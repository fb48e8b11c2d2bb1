// The dialog for users other than a sighted mouse user of a left-to-right language: what screen readers hear,
// the options as one radio group, high contrast, right-to-left languages, and a window that answers while
// Apply runs.
#include <com.h>
#include <oleacc.h>

#include <map>
#include <utility>
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
constexpr long kDefault = 0x100;      // STATE_SYSTEM_DEFAULT
constexpr long kGrouping = 0x14;      // ROLE_SYSTEM_GROUPING
constexpr long kStaticText = 0x29;    // ROLE_SYSTEM_STATICTEXT

struct Heard {
    std::wstring name, description, action;
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
    BSTR name = nullptr, description = nullptr, action = nullptr;
    VARIANT role{}, state{};
    const bool read = SUCCEEDED(object->get_accName(self, &name)) &&
                      SUCCEEDED(object->get_accRole(self, &role)) &&
                      SUCCEEDED(object->get_accState(self, &state));
    object->get_accDescription(self, &description);
    object->get_accDefaultAction(self, &action);
    heard.name = name ? std::wstring(name, ::SysStringLen(name)) : L"";
    heard.description = description ? std::wstring(description, ::SysStringLen(description)) : L"";
    heard.action = action ? std::wstring(action, ::SysStringLen(action)) : L"";
    ::SysFreeString(description);
    ::SysFreeString(action);
    heard.role = role.vt == VT_I4 ? role.lVal : -1;
    heard.state = state.vt == VT_I4 ? state.lVal : -1;
    ::SysFreeString(name);
    object->Release();
    return read ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "a read failed";
}

::testing::AssertionResult HearsAs(HWND dlg, int id, const std::wstring& name, long role, long stateSet,
                                   long stateClear, const std::wstring* description = nullptr) {
    Heard heard;
    ::testing::AssertionResult read = Hear(::GetDlgItem(dlg, id), heard);
    if (!read) return read << " (control " << id << ")";
    if (heard.name != name || heard.role != role || (heard.state & stateSet) != stateSet ||
        (heard.state & stateClear) != 0 || (description && heard.description != *description))
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

// Where a window's client area lies on the screen, also in a mirrored window (whose client x runs leftwards).
RECT ScreenClientRect(HWND window) {
    RECT rc;
    ::GetClientRect(window, &rc);
    ::MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&rc), 2);  // left of right, mirrored too
    return rc;
}

std::vector<DWORD> OnScreen(HWND label) {
    const RECT rc = ScreenClientRect(label);
    HDC screen = ::GetDC(nullptr);
    std::vector<DWORD> pixels = Pixels(screen, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

// A label's text as a static control draws it with the dialog's label font and colours, in the given format,
// in a mirrored (right-to-left) window or not.
std::vector<DWORD> Drawn(HWND label, const std::wstring& text, int height, int weight, COLORREF ink,
                         UINT format, bool mirrored) {
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
    if (mirrored) {
        ::SetLayout(mem, LAYOUT_RTL);
        ::SetTextAlign(mem, TA_RTLREADING);
    }
    ::DrawTextW(mem, text.c_str(), -1, &rc, format | DT_EXPANDTABS | DT_WORDBREAK);
    ::SetLayout(mem, 0);  // the pixels as they lie, to compare with the screen's
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

// Whether `text` wrapped as the label wraps it, in the label font at `height`, needs no more than the label.
bool Fits(HWND label, const std::wstring& text, int height, int weight = FW_NORMAL) {
    RECT rc, needed;
    ::GetClientRect(label, &rc);
    needed = rc;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HFONT font = ::CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0,
                               CLEARTYPE_QUALITY, 0, L"Segoe UI");
    HGDIOBJ old = ::SelectObject(dc, font);
    ::DrawTextW(dc, text.c_str(), -1, &needed, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    ::SelectObject(dc, old);
    ::DeleteObject(font);
    ::DeleteDC(dc);
    return needed.right <= rc.right && needed.bottom <= rc.bottom;
}

}  // namespace

TEST_F(VelmoraLocaleTest, ScreenReadersHearEachButtonsNameRoleAndState) {
    const std::wstring section = Section();
    const fw::CComScope com;
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    const wchar_t* s = section.c_str();
    // The description once, with the group; the options as radio buttons, whose default action checks them.
    const std::wstring desc = UiText(L"Desc", s), none;
    EXPECT_TRUE(
        HearsAs(dlg, IDC_ON_OPTION, UiText(L"On", s), kOptionButton, 0, kChecked | kUnavailable, &none));
    EXPECT_TRUE(
        HearsAs(dlg, IDC_OFF_OPTION, UiText(L"Off", s), kOptionButton, kChecked, kUnavailable, &none));
    Heard option;
    EXPECT_TRUE(Hear(::GetDlgItem(dlg, IDC_OFF_OPTION), option) && option.action == L"Check")
        << "default action";
    EXPECT_TRUE(HearsAs(dlg, IDOK, UiText(L"OK", s), kPushButton, kDefault, kUnavailable));
    EXPECT_TRUE(HearsAs(dlg, IDCANCEL, UiText(L"CANCEL", s), kPushButton, 0, kUnavailable));
    EXPECT_TRUE(HearsAs(dlg, IDC_APPLY, UiText(L"APPLY", s), kPushButton, kUnavailable, 0));
    EXPECT_TRUE(HearsAs(dlg, IDC_HELP_BUTTON, UiText(L"HELP", s), kPushButton, 0, kUnavailable));
    EXPECT_FALSE(UiText(L"HELP", s).empty());
    EXPECT_TRUE(HearsAs(dlg, IDC_OPTION_GROUP, UiText(L"FuncName", s), kGrouping, 0, 0, &desc));
    ASSERT_TRUE(app.Click(dlg, IDC_ON_OPTION));
    EXPECT_TRUE(HearsAs(dlg, IDC_ON_OPTION, UiText(L"On", s), kOptionButton, kChecked, 0));
    EXPECT_TRUE(HearsAs(dlg, IDC_OFF_OPTION, UiText(L"Off", s), kOptionButton, 0, kChecked));
    EXPECT_TRUE(HearsAs(dlg, IDC_APPLY, UiText(L"APPLY", s), kPushButton, 0, kUnavailable));
    ASSERT_TRUE(app.Click(dlg, IDCANCEL));
    ASSERT_TRUE(app.WaitExit());
}

// The options are one radio group: Tab reaches it once, at the chosen option; the arrow keys choose; Enter
// presses OK (framed as the default button) with the choice as it stands, also on an option that has the
// focus without being chosen. The focus cue shows from the start (Wine hides none), around the option's text.
TEST_F(VelmoraTest, OptionsAreOneRadioGroupForKeyboardAndMouse) {
    ::SetProcessDPIAware();
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    HWND on = ::GetDlgItem(dlg, IDC_ON_OPTION), off = ::GetDlgItem(dlg, IDC_OFF_OPTION);
    auto now = [&](HWND focus, HWND chosen) {
        return WaitUntil(
            [&] { return FocusOf(dlg) == focus && app.Send(chosen, BM_GETCHECK) == BST_CHECKED; });
    };
    ASSERT_TRUE(now(off, off));
    ASSERT_TRUE(e2e::WaitForStillWindow(dlg));
    EXPECT_FALSE(TopRowDiffersFromImage(off, Exe(), IDB_OPTION_CHOSEN)) << "a focus cue over the mark";
    HWND offText = ::GetDlgItem(dlg, IDC_OFF_LABEL);  // a dotted line along its top, on white
    EXPECT_TRUE(e2e::ScreenPixel(offText, 0, 0) != RGB(255, 255, 255) ||
                e2e::ScreenPixel(offText, 1, 0) != RGB(255, 255, 255))
        << "no focus cue around the text";
    EXPECT_EQ(RGB(0x08, 0x55, 0x5E), e2e::ScreenPixel(::GetDlgItem(dlg, IDOK), 0, 12)) << "no default frame";
    for (int next : {IDOK, IDCANCEL, IDC_HELP_BUTTON, IDC_OFF_OPTION}) {  // past the greyed-out Apply and On
        PressKey(dlg, VK_TAB);
        EXPECT_TRUE(WaitUntil([&] { return FocusOf(dlg) == ::GetDlgItem(dlg, next); })) << next;
    }
    PressKey(dlg, VK_DOWN);
    EXPECT_TRUE(now(on, on) && ::IsWindowEnabled(::GetDlgItem(dlg, IDC_APPLY)));
    PressKey(dlg, VK_UP);
    EXPECT_TRUE(now(off, off));
    PressKey(dlg, VK_DOWN);
    ASSERT_TRUE(now(on, on));
    EXPECT_TRUE(FirmwareSwitches().empty());
    // The focus on Off, which is not chosen (as a screen reader may put it): Enter switches On, as chosen.
    app.Send(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(off), TRUE);
    ASSERT_TRUE(now(off, on));
    PressKey(dlg, VK_RETURN);
    ASSERT_TRUE(app.WaitExit(120000));
    const auto switches = FirmwareSwitches();
    ASSERT_EQ(1u, switches.size());
    EXPECT_EQ(0u, switches[0].find("sig=0x5843 fn=0x6E req=0x81"));
    EXPECT_EQ(1u, StoredMode().value_or(99));
}

// High contrast, handed in as Windows answers it (Wine keeps it off: e2e::HighContrastTheme): switched on
// while the dialog is open, it draws in the system colours with no picture behind text, the chosen option
// still told from the other; switched off, the designed look is back pixel for pixel. Started in it, it
// starts so.
TEST_F(VelmoraTest, HighContrastDrawsInTheSystemColoursAndFollowsTheTheme) {
    ::SetProcessDPIAware();
    e2e::HighContrastTheme theme;
    for (bool whileOpen : {true, false}) {
        if (!whileOpen) {
            ASSERT_TRUE(theme.Switch(true));
        }
        e2e::AppUnderTest app(Exe(), L"");
        HWND dlg = app.WaitForDialog(kTitle);
        ASSERT_NE(nullptr, dlg);
        ASSERT_TRUE(e2e::WaitForStillWindow(dlg));
        const std::vector<DWORD> designed = OnScreen(dlg);
        if (whileOpen) {
            ASSERT_TRUE(theme.Switch(true, dlg) && e2e::WaitForStillWindow(dlg));
        }
        auto at = [&](int id, int x, int y) {
            return e2e::ScreenPixel(id ? ::GetDlgItem(dlg, id) : dlg, x, y);
        };
        EXPECT_EQ(::GetSysColor(COLOR_WINDOW), at(0, 4, 4));       // where the picture's header was
        EXPECT_EQ(::GetSysColor(COLOR_BTNTEXT), at(IDOK, 1, 12));  // the default button's second frame line
        EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), at(IDCANCEL, 1, 12));
        EXPECT_EQ(::GetSysColor(COLOR_GRAYTEXT), at(IDC_APPLY, 0, 12));        // greyed out
        EXPECT_EQ(::GetSysColor(COLOR_WINDOWTEXT), at(IDC_OFF_OPTION, 6, 6));  // the chosen one's dot
        EXPECT_EQ(::GetSysColor(COLOR_WINDOW), at(IDC_ON_OPTION, 6, 6));
        if (whileOpen) {
            ASSERT_TRUE(theme.Switch(false, dlg) && e2e::WaitForStillWindow(dlg));
            EXPECT_TRUE(OnScreen(dlg) == designed);
        }
        ASSERT_TRUE(app.Click(dlg, IDCANCEL));
        ASSERT_TRUE(app.WaitExit());
    }
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

// Arabic and Hebrew get the dialog mirrored, as Windows lays out their dialogs: each option's mark right of
// its text, the buttons in the mirrored order, the title right of the help button, whose picture keeps its
// orientation, and the texts reading right to left from the right edge, as a mirrored label draws them.
// Every other language keeps the layout and the left-to-right labels.
TEST_F(VelmoraLocaleTest, ArabicAndHebrewAreMirroredAndReadRightToLeft) {
    const std::wstring section = Section();
    const bool rightToLeft = section == L"0401" || section == L"040D";
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    ASSERT_TRUE(e2e::WaitForStillWindow(dlg));
    EXPECT_EQ(rightToLeft, (::GetWindowLongPtrW(dlg, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0);
    auto left = [&](int id) {
        RECT rc;
        ::GetWindowRect(::GetDlgItem(dlg, id), &rc);
        return rc.left;
    };
    for (auto [first, second] : {std::pair{IDC_ON_OPTION, IDC_ON_LABEL},
                                 {IDC_OFF_OPTION, IDC_OFF_LABEL},
                                 {IDOK, IDCANCEL},
                                 {IDCANCEL, IDC_APPLY},
                                 {IDC_TITLE, IDC_HELP_BUTTON}})
        EXPECT_EQ(rightToLeft, left(first) > left(second)) << first << " before " << second;
    const RECT help = ScreenClientRect(::GetDlgItem(dlg, IDC_HELP_BUTTON));
    HMODULE program = ::LoadLibraryExW(Exe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HDC screen = ::GetDC(nullptr);
    int mirroredPixels = 0;  // of the help button's picture, which keeps its orientation
    for (int i = 0; i < 22 * 22; ++i)
        mirroredPixels += ::GetPixel(screen, help.left + i % 22, help.top + i / 22) !=
                          e2e::BitmapResourcePixel(program, IDB_HELP, i % 22, i / 22);
    ::ReleaseDC(nullptr, screen);
    ::FreeLibrary(program);
    EXPECT_EQ(0, mirroredPixels);

    struct Label {
        int id;
        const wchar_t* key;
        int height, weight;
        COLORREF ink;
    };
    const COLORREF grey = RGB(0x77, 0x77, 0x77), black = RGB(0, 0, 0);
    for (const Label& l : {Label{IDC_DESCRIPTION, L"Desc", 16, 400, grey},
                           Label{IDC_FEATURE_NAME, L"FuncName", 15, 900, black}}) {
        HWND label = ::GetDlgItem(dlg, l.id);
        const std::wstring text = UiText(l.key, section.c_str());
        int height = l.height;  // the label's, or the largest smaller one that holds the text (Thai's boxes)
        while (height > l.height * 3 / 4 && !Fits(label, text, height, l.weight)) --height;
        const auto leftToRight = Drawn(label, text, height, l.weight, l.ink, DT_LEFT, false);
        const auto mirrored = Drawn(label, text, height, l.weight, l.ink, DT_LEFT | DT_RTLREADING, true);
        EXPECT_TRUE(OnScreen(label) == (rightToLeft ? mirrored : leftToRight)) << l.id;
        if (rightToLeft) {
            EXPECT_FALSE(leftToRight == mirrored) << l.id;
        }
    }
    ASSERT_TRUE(app.Click(dlg, IDCANCEL));
    ASSERT_TRUE(app.WaitExit());
}

// The background picture and the options' group box lie over the options and their texts, yet no hit test
// from another process finds them: the window and the accessible object at each one's middle is that
// control, and a click of the pointer (an X event, as a person's) on an option's text chooses that option.
TEST_F(VelmoraLocaleTest, PointsOnTheOptionsAndTheirTextsFindThem) {
    const bool rightToLeft = Section() == L"0401" || Section() == L"040D";
    const fw::CComScope com;
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    ASSERT_TRUE(e2e::WaitForStillWindow(dlg));
    for (int id : {IDC_ON_OPTION, IDC_OFF_OPTION, IDC_ON_LABEL, IDC_OFF_LABEL}) {
        RECT rc;
        ::GetWindowRect(::GetDlgItem(dlg, id), &rc);
        const POINT middle{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        EXPECT_EQ(::GetDlgItem(dlg, id), ::WindowFromPoint(middle)) << id;
        IAccessible* object = nullptr;
        VARIANT child{};
        HWND found = nullptr;
        if (SUCCEEDED(::AccessibleObjectFromPoint(middle, &object, &child)) && object) {
            ::WindowFromAccessibleObject(object, &found);
            object->Release();
        }
        // Wine's own object of a mirrored window takes its client area for empty and finds nothing there.
        if (!rightToLeft) {
            EXPECT_EQ(::GetDlgItem(dlg, id), found) << id;
        }
    }
    for (auto [text, option] : {std::pair{IDC_ON_LABEL, IDC_ON_OPTION}, {IDC_OFF_LABEL, IDC_OFF_OPTION}}) {
        RECT rc;  // on its first letter: at its left, or at its right where it reads right to left
        ::GetWindowRect(::GetDlgItem(dlg, text), &rc);
        ASSERT_TRUE(e2e::ClickAsAPerson({rightToLeft ? rc.right - 4 : rc.left + 4, rc.top + 7}));
        EXPECT_TRUE(WaitUntil([&] {
            return app.Send(::GetDlgItem(dlg, option), BM_GETCHECK) == BST_CHECKED;
        })) << text;
    }
    ASSERT_TRUE(app.Click(dlg, IDCANCEL));
    ASSERT_TRUE(app.WaitExit());
}

// A caption of a right-to-left language reads right to left: "OK." shows its full stop at its left, where
// the two leftmost columns of ink are the dot's two rows rather than the round side of the O. (Wine lays out
// every message box left to right, whatever its flags ask.)
TEST_F(VelmoraLocaleTest, CaptionsOfRightToLeftLanguagesReadRightToLeft) {
    const bool rightToLeft = Section() == L"0401" || Section() == L"040D";
    e2e::RestoredFile ini(s_dir + L"UIString.ini");
    ASSERT_TRUE(e2e::WriteUtf16File(ini.Path(), L"[" + Section() + L"]\r\nOK=OK.\r\n"));
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    ASSERT_TRUE(e2e::WaitForStillWindow(dlg));
    RECT ok;  // on the screen, where the button's image lies unmirrored
    ::GetWindowRect(::GetDlgItem(dlg, IDOK), &ok);
    HMODULE program = ::LoadLibraryExW(Exe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HDC screen = ::GetDC(nullptr);
    auto inkedRows = [&](int x, int columns) {  // rows with ink in any of the columns from x on
        int rows = 0;
        for (int y = 3; y < 21; ++y) {
            bool inked = false;
            for (int c = x; c < x + columns; ++c)
                inked = inked || ::GetPixel(screen, ok.left + c, ok.top + y) !=
                                     e2e::BitmapResourcePixel(program, IDB_BUTTON_NORMAL, c, y);
            rows += inked;
        }
        return rows;
    };
    int left = 6;
    while (left < 98 && inkedRows(left, 1) == 0) ++left;
    const int rows = inkedRows(left, 2);
    ::ReleaseDC(nullptr, screen);
    ::FreeLibrary(program);
    EXPECT_LT(left, 98) << "no caption";
    EXPECT_EQ(rightToLeft, rows <= 3) << rows << " rows of ink";
    ASSERT_TRUE(app.Click(dlg, IDCANCEL));
    ASSERT_TRUE(app.WaitExit());
}

// Texts as long as a translation can have them (259 characters): the description shows all of its text, at
// the largest font that holds it in the room down to the picture's line, or, where not even the smallest one
// does, takes all that room and shows a beginning of its text ended with an ellipsis; a caption too wide for
// every font ends with one on its face; screen readers hear all of either. In Thai, Chinese and Arabic, in
// both layouts.
TEST_F(VelmoraLocaleTest, TextsTooLongForTheirControlsAreNeverCutWithoutATrace) {
    const std::wstring section = Section();
    const std::map<std::wstring, wchar_t> letters{
        {L"041E", L'\u0E0D'}, {L"0404", L'\u9F8D'}, {L"0401", L'\u0634'}};
    if (!letters.count(section)) GTEST_SKIP() << "Thai, Chinese and Arabic show it";
    const bool rightToLeft = section == L"0401";
    ::SetProcessDPIAware();
    const fw::CComScope com;
    std::wstring text;  // words of five letters, between blanks in Arabic (Thai and Chinese use none)
    for (int i = 0; i < 259; ++i)
        text += i % 6 == 5 && rightToLeft ? L' ' : static_cast<wchar_t>(letters.at(section) + i % 6);
    e2e::RestoredFile ini(s_dir + L"UIString.ini");
    ASSERT_TRUE(
        e2e::WriteUtf16File(ini.Path(), L"[" + section + L"]\r\nDesc=" + text + L"\r\nCANCEL=" + text));
    for (bool large : {false, true}) {
        SCOPED_TRACE(large ? "large layout" : "normal layout");
        ASSERT_TRUE(e2e::SetResolution(large ? 120 : 96));
        e2e::AppUnderTest app(Exe(), L"");
        HWND dlg = app.WaitForDialog(kTitle);
        ASSERT_NE(nullptr, dlg);
        ASSERT_TRUE(e2e::WaitForStillWindow(dlg));
        HWND desc = ::GetDlgItem(dlg, IDC_DESCRIPTION);
        const std::vector<DWORD> shown = OnScreen(desc);
        auto drawn = [&](const std::wstring& what, int height) {
            return Drawn(desc, what, height, 400, RGB(0x77, 0x77, 0x77),
                         DT_LEFT | DT_NOPREFIX | (rightToLeft ? DT_RTLREADING : 0), rightToLeft);
        };
        const int smallest = large ? 15 : 12;
        bool all = false, beginning = false;
        for (int height = large ? 20 : 16; height >= smallest && !all; --height)
            all = Fits(desc, text, height) && shown == drawn(text, height);
        for (size_t n = text.size(); n-- > 0 && !all && !beginning;)
            beginning = shown == drawn(text.substr(0, n) + L"\u2026", smallest);
        EXPECT_TRUE(all || beginning);

        RECT rc = ScreenClientRect(desc);
        ::MapWindowPoints(HWND_DESKTOP, dlg, reinterpret_cast<POINT*>(&rc), 2);
        if (beginning) {
            EXPECT_EQ(large ? 340 : 280, rc.bottom) << "the room down to the picture's line";
        }
        EXPECT_TRUE(HearsAs(dlg, IDC_DESCRIPTION, text, kStaticText, 0, 0));
        EXPECT_TRUE(HearsAs(dlg, IDCANCEL, text, kPushButton, 0, 0));
        // No ink on the caption's margins at either end of Cancel's image (at its left or, mirrored, right).
        const RECT cancel = ScreenClientRect(::GetDlgItem(dlg, IDCANCEL));
        const int width = large ? 125 : 104, left = rightToLeft ? cancel.right - width : cancel.left;
        HMODULE program = ::LoadLibraryExW(Exe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        HDC screen = ::GetDC(nullptr);
        int inkOnMargins = 0;
        for (int y = 3; y < (large ? 26 : 21); ++y)
            for (int x : {1, 2, 3, width - 4, width - 3, width - 2})
                inkOnMargins += ::GetPixel(screen, left + x, cancel.top + y) !=
                                e2e::BitmapResourcePixel(
                                    program, large ? IDB_BUTTON_NORMAL_LARGE : IDB_BUTTON_NORMAL, x, y);
        ::ReleaseDC(nullptr, screen);
        ::FreeLibrary(program);
        EXPECT_EQ(0, inkOnMargins);
        ASSERT_TRUE(app.Click(dlg, IDCANCEL));
        ASSERT_TRUE(app.WaitExit());
    }
}

// A translator's '&' is shown and heard as it stands, and gives no button an access key.
TEST_F(VelmoraTest, AmpersandsAreShownAndHeardAsTheyStand) {
    e2e::RestoredFile ini(s_dir + L"UIString.ini");
    ASSERT_TRUE(e2e::WriteUtf16File(ini.Path(), L"[0409]\r\nFuncName=Sleep & wake\r\nOn=&On\r\nOK=&Yes\r\n"));
    const fw::CComScope com;
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    ASSERT_TRUE(e2e::WaitForStillWindow(dlg));
    HWND on = ::GetDlgItem(dlg, IDC_ON_LABEL);
    EXPECT_TRUE(OnScreen(on) == Drawn(on, L"&On", 15, 400, RGB(0, 0, 0), DT_LEFT | DT_NOPREFIX, false));
    EXPECT_TRUE(HearsAs(dlg, IDC_ON_LABEL, L"&On", kStaticText, 0, 0));
    EXPECT_TRUE(HearsAs(dlg, IDC_ON_OPTION, L"&On", kOptionButton, 0, 0));
    EXPECT_TRUE(HearsAs(dlg, IDOK, L"&Yes", kPushButton, 0, 0));
    EXPECT_TRUE(HearsAs(dlg, IDC_OPTION_GROUP, L"Sleep & wake", kGrouping, 0, 0));
    ::PostMessageW(FocusOf(dlg), WM_CHAR, L'y', 1);  // OK's access key, were its '&' one
    PressKey(dlg, VK_DOWN);                          // handled after it: On chosen, in the open dialog
    EXPECT_TRUE(
        WaitUntil([&] { return app.Send(::GetDlgItem(dlg, IDC_ON_OPTION), BM_GETCHECK) == BST_CHECKED; }));
    EXPECT_TRUE(FirmwareSwitches().empty());
    ASSERT_TRUE(app.Click(dlg, IDCANCEL));
    ASSERT_TRUE(app.WaitExit());
}
