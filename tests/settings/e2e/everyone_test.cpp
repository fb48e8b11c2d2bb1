// The dialog for users other than a sighted mouse user of a left-to-right language: what screen readers hear,
// the options as one radio group, high contrast, right-to-left languages, and a window that answers while
// Apply runs.
#include <framework/com.h>
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
    heard.action = action ? std::wstring(action, ::SysStringLen(action)) : L"";
    ::SysFreeString(action);
    heard.name = name ? std::wstring(name, ::SysStringLen(name)) : L"";
    heard.description = description ? std::wstring(description, ::SysStringLen(description)) : L"";
    ::SysFreeString(description);
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

}  // namespace

TEST_F(VelmoraLocaleTest, ScreenReadersHearEachButtonsNameRoleAndState) {
    const std::wstring section = Section();
    const fw::CComScope com;
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    const wchar_t* s = section.c_str();
    const std::wstring desc = UiText(L"Desc", s), none;  // the description once, with the group
    EXPECT_TRUE(
        HearsAs(dlg, IDC_ON_OPTION, UiText(L"On", s), kOptionButton, 0, kChecked | kUnavailable, &none));
    EXPECT_TRUE(
        HearsAs(dlg, IDC_OFF_OPTION, UiText(L"Off", s), kOptionButton, kChecked, kUnavailable, &none));
    Heard option;  // a radio button's default action
    EXPECT_TRUE(Hear(::GetDlgItem(dlg, IDC_ON_OPTION), option) && option.action == L"Check");
    EXPECT_TRUE(HearsAs(dlg, IDOK, UiText(L"OK", s), kPushButton, kDefault, kUnavailable));
    EXPECT_TRUE(HearsAs(dlg, IDCANCEL, UiText(L"CANCEL", s), kPushButton, 0, kUnavailable));
    EXPECT_TRUE(HearsAs(dlg, IDC_APPLY, UiText(L"APPLY", s), kPushButton, kUnavailable, 0));
    EXPECT_TRUE(HearsAs(dlg, IDC_HELP_BUTTON, UiText(L"HELP", s), kPushButton, 0, kUnavailable));
    EXPECT_FALSE(UiText(L"HELP", s).empty());
    EXPECT_TRUE(HearsAs(dlg, IDC_OPTION_GROUP, UiText(L"FuncName", s), kGrouping, 0, 0,
                        &desc));  // the options' group
    ASSERT_TRUE(app.Click(dlg, IDC_ON_OPTION));
    EXPECT_TRUE(HearsAs(dlg, IDC_ON_OPTION, UiText(L"On", s), kOptionButton, kChecked, 0));
    EXPECT_TRUE(HearsAs(dlg, IDC_OFF_OPTION, UiText(L"Off", s), kOptionButton, 0, kChecked));
    EXPECT_TRUE(HearsAs(dlg, IDC_APPLY, UiText(L"APPLY", s), kPushButton, 0, kUnavailable));
    ASSERT_TRUE(app.Click(dlg, IDCANCEL));
    ASSERT_TRUE(app.WaitExit());
}

// The options are one radio group: Tab reaches it once, at the chosen option; the arrow keys choose; Enter
// presses OK (framed as the default button) with the choice as it stands, also on an option that has the
// focus without being chosen. The focus cue shows from the start (Wine hides none), around the option's text
// (the demo's pictures show it), not over its mark.
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
// orientation, and the texts reading right to left from the right edge, as a mirrored label draws them, and
// as the captions read them. Every other language keeps the layout and the left-to-right texts. (Wine lays
// out every message box left to right, whatever its flags ask.)
TEST_F(VelmoraLocaleTest, ArabicAndHebrewAreMirroredAndReadRightToLeft) {
    const std::wstring section = Section();
    const bool rightToLeft = section == L"0401" || section == L"040D";
    e2e::RestoredFile ini(s_dir +
                          L"UIString.ini");  // the labels as shipped, and a caption ending in a full stop
    ASSERT_TRUE(e2e::WriteUtf16File(ini.Path(), L"[" + section + L"]\r\nCANCEL=Cancel.\r\nDesc=" +
                                                    UiText(L"Desc", section.c_str()) + L"\r\nFuncName=" +
                                                    UiText(L"FuncName", section.c_str())));
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
    // "Cancel." reads ".Cancel" right to left: the two leftmost columns of its ink (its image lies
    // unmirrored) are the full stop's dot, a few rows, not the C's side.
    const RECT cancel = ScreenClientRect(::GetDlgItem(dlg, IDCANCEL));
    auto inked = [&](int x, int y) {
        return ::GetPixel(screen, cancel.left + x, cancel.top + y) !=
               e2e::BitmapResourcePixel(program, IDB_BUTTON_NORMAL, x, y);
    };
    int x = 6, rows = 0;
    for (bool ink = false; x < 98 && !ink; ++x)
        for (int y = 4; y < 20; ++y) ink = ink || inked(x, y);
    for (int y = 4; y < 20; ++y) rows += inked(x - 1, y) || inked(x, y);
    EXPECT_EQ(rightToLeft, rows <= 3) << rows << " rows of ink at the left";
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
        const auto leftToRight = Drawn(label, text, l.height, l.weight, l.ink, DT_LEFT, false);
        const auto mirrored = Drawn(label, text, l.height, l.weight, l.ink, DT_LEFT | DT_RTLREADING, true);
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
// control, and a click of the pointer (an X event, as a person's: xdotool) on an option's text chooses it.
TEST_F(VelmoraLocaleTest, PointsOnTheOptionsAndTheirTextsFindThem) {
    const bool rightToLeft = Section() == L"0401" || Section() == L"040D";
    const fw::CComScope com;
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_TRUE(dlg && e2e::WaitForStillWindow(dlg));
    for (int id : {IDC_ON_OPTION, IDC_OFF_OPTION, IDC_ON_LABEL, IDC_OFF_LABEL}) {
        HWND control = ::GetDlgItem(dlg, id), found = nullptr;
        const RECT rc = ScreenClientRect(control);
        const POINT middle{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        EXPECT_EQ(control, ::WindowFromPoint(middle)) << id;
        IAccessible* object = nullptr;
        VARIANT child{};  // Wine's own object of a mirrored window finds nothing in its client area
        EXPECT_TRUE(rightToLeft ||
                    (SUCCEEDED(::AccessibleObjectFromPoint(middle, &object, &child)) &&
                     SUCCEEDED(::WindowFromAccessibleObject(object, &found)) && found == control))
            << id;
        if (object) object->Release();
    }
    for (int text : {IDC_ON_LABEL, IDC_OFF_LABEL}) {
        const RECT rc = ScreenClientRect(::GetDlgItem(dlg, text));  // on its first letter
        e2e::RunConsole(L"Z:\\usr\\bin\\xdotool mousemove --sync " +
                        std::to_wstring(rightToLeft ? rc.right - 4 : rc.left + 4) + L" " +
                        std::to_wstring(rc.top + 7) + L" click 1");
        HWND option = ::GetDlgItem(dlg, text == IDC_ON_LABEL ? IDC_ON_OPTION : IDC_OFF_OPTION);
        EXPECT_TRUE(WaitUntil([&] { return app.Send(option, BM_GETCHECK) == BST_CHECKED; })) << "(xdotool?)";
    }
    ASSERT_TRUE(app.Click(dlg, IDCANCEL));
    ASSERT_TRUE(app.WaitExit());
}

// Texts as long as a translation can have them (259 characters), which no font of their controls holds: the
// description takes all the room down to the picture's line and shows a beginning of its text ended with an
// ellipsis, a caption one no wider than its face; screen readers hear all of either. Thai (in the English
// runs' section: Thai letters are drawn the same whatever the user's language), Chinese (in the large layout;
// 259 Chinese letters fit the normal one at a smaller font) and Arabic, in both layouts.
TEST_F(VelmoraLocaleTest, TextsTooLongForTheirControlsEndWithAnEllipsis) {
    const std::wstring section = Section();
    const wchar_t letter = section == L"0409" ? L'\u0E0D' : section == L"0404" ? L'\u9F8D' : L'\u0634';
    if (section != L"0409" && section != L"0404" && section != L"0401")
        GTEST_SKIP() << "Thai, Chinese, Arabic";
    const bool rightToLeft = section == L"0401";
    ::SetProcessDPIAware();
    const fw::CComScope com;
    std::wstring text;  // words of five letters, between blanks in Arabic, between Latin W's in the others
    for (int i = 0; i < 259; ++i)
        text += i % 6 == 5 ? (rightToLeft ? L' ' : L'W') : static_cast<wchar_t>(letter + i % 6);
    e2e::RestoredFile ini(s_dir + L"UIString.ini");
    ASSERT_TRUE(
        e2e::WriteUtf16File(ini.Path(), L"[" + section + L"]\r\nDesc=" + text + L"\r\nCANCEL=" + text));
    for (bool large : {false, true}) {
        if (section == L"0404" && !large) continue;  // all of it fits there, at a smaller font
        ASSERT_TRUE(e2e::SetResolution(large ? 120 : 96));
        e2e::AppUnderTest app(Exe(), L"");
        HWND dlg = app.WaitForDialog(kTitle), desc = ::GetDlgItem(dlg, IDC_DESCRIPTION);
        ASSERT_TRUE(dlg && e2e::WaitForStillWindow(dlg));
        RECT rc = ScreenClientRect(dlg);  // the room measured with Windows' System font, which Japanese lacks
        if (rc.bottom - rc.top != (large ? 563 : 450)) continue;
        const std::vector<DWORD> shown = OnScreen(desc);
        bool beginning = false;  // a beginning ended with an ellipsis, at the smallest font
        for (size_t n = text.size(); n-- > 0 && !beginning;)
            beginning =
                shown == Drawn(desc, text.substr(0, n) + L"\u2026", large ? 15 : 12, 400,
                               RGB(0x77, 0x77, 0x77),
                               DT_LEFT | DT_NOPREFIX | (rightToLeft ? DT_RTLREADING : 0), rightToLeft);
        rc = ScreenClientRect(desc);
        ::MapWindowPoints(HWND_DESKTOP, dlg, reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_TRUE(beginning && rc.bottom == (large ? 340 : 280)) << large << ", " << rc.bottom;
        EXPECT_TRUE(HearsAs(dlg, IDC_DESCRIPTION, text, kStaticText, 0, 0) &&
                    HearsAs(dlg, IDCANCEL, text, kPushButton, 0, 0));
        // The image under Cancel's caption (at its left, or mirrored at its right) is one colour a row across
        // but for its frame: the caption leaves both its ends alike.
        const RECT cancel = ScreenClientRect(::GetDlgItem(dlg, IDCANCEL));
        const int width = large ? 125 : 104, left = rightToLeft ? cancel.right - width : cancel.left;
        HDC screen = ::GetDC(nullptr);
        EXPECT_TRUE(Pixels(screen, left + 2, cancel.top + 4, 2, 16) ==
                    Pixels(screen, left + width - 4, cancel.top + 4, 2, 16));
        ::ReleaseDC(nullptr, screen);
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
    HWND dlg = app.WaitForDialog(kTitle), on = ::GetDlgItem(dlg, IDC_ON_LABEL);
    ASSERT_TRUE(dlg && e2e::WaitForStillWindow(dlg));
    EXPECT_TRUE(OnScreen(on) == Drawn(on, L"&On", 15, 400, RGB(0, 0, 0), DT_LEFT | DT_NOPREFIX, false));
    EXPECT_TRUE(HearsAs(dlg, IDC_ON_LABEL, L"&On", kStaticText, 0, 0) &&
                HearsAs(dlg, IDOK, L"&Yes", kPushButton, 0, 0) &&
                HearsAs(dlg, IDC_OPTION_GROUP, L"Sleep & wake", kGrouping, 0, 0));
    ::PostMessageW(FocusOf(dlg), WM_CHAR, L'y', 1);  // OK's access key, were its '&' one
    PressKey(dlg, VK_DOWN);                          // handled after it, in the dialog still open
    EXPECT_TRUE(
        WaitUntil([&] { return app.Send(::GetDlgItem(dlg, IDC_ON_OPTION), BM_GETCHECK) == BST_CHECKED; }));
    ASSERT_TRUE(app.Click(dlg, IDCANCEL));
    ASSERT_TRUE(app.WaitExit());
}
