#include "Language.h"

#include <childprocess.h>

#include <algorithm>

#include "HelpStart.h"
#include "HelpViewer.h"
#include "LabelFit.h"
#include "TessalyDlg.h"

namespace {
constexpr int kTextCapacity = 260;

struct LabelStyle {
    int heightNormal, heightLarge, weight;
};
constexpr LabelStyle kTitleFont{30, 40, FW_HEAVY};
constexpr LabelStyle kDescriptionFont{16, 20, FW_NORMAL};
constexpr LabelStyle kFeatureNameFont{15, 20, FW_HEAVY};
constexpr LabelStyle kOptionFont{15, 20, FW_NORMAL};

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kGrey = RGB(0x77, 0x77, 0x77);

// Where the background pictures draw their lines, in the normal picture's pixels (the large one is the same
// picture drawn 1.2 times as large): the divider under the description and the one above the buttons.
constexpr int kDividerY = 284;
constexpr int kSeparatorY = 400;
// A label too long for its control is drawn down to three quarters of its height before it would be cut.
constexpr int kSmallestOfFour = 3;
// The room a caption leaves on either side of its button's face.
constexpr int kCaptionMargin = 4;

std::wstring ReadText(const std::wstring& file, const std::wstring& section, const wchar_t* key) {
    wchar_t buffer[kTextCapacity] = L"";
    ::GetPrivateProfileStringW(section.c_str(), key, L"", buffer, kTextCapacity, file.c_str());
    return buffer;
}

void CreateLabelFont(fw::CFont& font, const LabelStyle& style, bool large) {
    font.CreateSegoeFont(large ? style.heightLarge : style.heightNormal, style.weight);
}

// Background, text colour, font, text: in this order, so each repaint already has what it needs. A text
// of a right-to-left language reads right to left from the label's right edge.
void SetUpLabel(CStaticTrans& label, COLORREF back, COLORREF text, const fw::CFont& font,
                const std::wstring& value, bool rightToLeft) {
    if (rightToLeft) label.SetRightToLeft();
    label.SetBackColor(back);
    label.m_crTextColor = text;
    label.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    label.SetWindowText(value);
}
// The system's help viewer in the machine's own Windows folder (also for a user of a terminal server).
std::wstring HelpViewerPath() {
    wchar_t windows[MAX_PATH] = L"";
    const UINT n = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::wstring();
    std::wstring dir = windows;
    if (dir.back() != L'\\') dir += L'\\';
    return dir + L"hh.exe";
}
}  // namespace

std::wstring CTessalyDlg::GetLanguageCode() {
    return LanguageCodeFor(::GetUserDefaultLangID());
}

void CTessalyDlg::LoadInterfaceTexts(const std::wstring& code) {
    const std::wstring file = m_strModuleDir + L"UIString.ini";
    const bool large = m_bLargeLayout != 0;
    const bool rightToLeft = IsRightToLeftLanguage(code);

    CreateLabelFont(m_fontTitle, kTitleFont, large);
    m_lblTitle.m_crTextColor = kWhite;
    m_lblTitle.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_fontTitle.Get()), TRUE);
    m_lblTitle.SetWindowText(kProgramTitle);

    m_strDesc = ReadText(file, code, L"Desc");
    CreateLabelFont(m_fontDescription, kDescriptionFont, large);
    SetUpLabel(m_lblDescription, kWhite, kGrey, m_fontDescription, m_strDesc, rightToLeft);

    m_strFuncName = ReadText(file, code, L"FuncName");
    CreateLabelFont(m_fontFeatureName, kFeatureNameFont, large);
    SetUpLabel(m_lblFeatureName, kWhite, kBlack, m_fontFeatureName, m_strFuncName, rightToLeft);

    m_strState = ReadText(file, code, L"State");
    m_strOn = ReadText(file, code, L"On");
    m_strOff = ReadText(file, code, L"Off");
    CreateLabelFont(m_fontOption, kOptionFont, large);
    SetUpLabel(m_lblOn, kWhite, kBlack, m_fontOption, m_strOn, rightToLeft);
    SetUpLabel(m_lblOff, kWhite, kBlack, m_fontOption, m_strOff, rightToLeft);

    m_strOK = ReadText(file, code, L"OK");
    m_strCancel = ReadText(file, code, L"CANCEL");
    m_strApply = ReadText(file, code, L"APPLY");
    m_strMsg1 = ReadText(file, code, L"MSG1");
    m_strMsg2 = ReadText(file, code, L"MSG2");
    m_strHelp = ReadText(file, code, L"HELP");
    // A translation without the key (a maker's own file in the documented format has none) still names the
    // help button for screen readers: in English.
    if (m_strHelp.empty()) m_strHelp = ReadText(file, L"0409", L"HELP");
    if (m_strHelp.empty()) m_strHelp = L"Help";
}

// Each label wraps into the room below it, down to the next label or the picture's line, and where even that
// does not hold it, it gets a smaller font, a pixel at a time; each caption gets a smaller font. A text that
// fits as it is keeps its control and font untouched.
void CTessalyDlg::FitLabels() {
    const bool large = m_bLargeLayout != 0;
    auto pictureY = [large](int y) { return large ? y * 6 / 5 : y; };
    const RECT on = ChildRect(m_lblOn), off = ChildRect(m_lblOff);
    struct Row {
        CStaticTrans& label;
        const LabelStyle& style;
        int bottom;  // how far down the label may grow
    } const rows[] = {{m_lblDescription, kDescriptionFont, pictureY(kDividerY) - 4},
                      {m_lblFeatureName, kFeatureNameFont, on.top - 2},
                      {m_lblOn, kOptionFont, off.top - 2},
                      {m_lblOff, kOptionFont, pictureY(kSeparatorY) - 2}};
    HDC dc = ::GetDC(m_hWnd);
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& row = rows[i];
        const int height = large ? row.style.heightLarge : row.style.heightNormal;
        const RECT rc = ChildRect(row.label);
        const LabelFit fit = FitLabel(dc, row.label.GetWindowText(), rc, row.bottom, height, row.style.weight,
                                      DT_LEFT | DT_WORDBREAK, height * kSmallestOfFour / 4);
        if (fit.height != height) {
            m_fontsFitted[i].CreateSegoeFont(fit.height, row.style.weight);
            row.label.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_fontsFitted[i].Get()), TRUE);
        }
        if (fit.rect.bottom != rc.bottom)
            ::SetWindowPos(row.label, nullptr, 0, 0, rc.right - rc.left, fit.rect.bottom - rc.top,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (CGraphicButton* button : {&m_btnOK, &m_btnCancel, &m_btnApply}) {
        const int height = m_bLargeLayout ? 20 : 15;
        const RECT client = button->GetClientRect();
        const LONG face = std::min(client.right, button->ImageSize().cx) - 2 * kCaptionMargin;
        const LabelFit fit = FitLabel(dc, button->Text(), RECT{0, 0, face, client.bottom}, client.bottom,
                                      height, FW_NORMAL, DT_SINGLELINE, height * kSmallestOfFour / 4);
        if (fit.height != height) button->SetCaptionHeight(fit.height);
    }
    ::ReleaseDC(m_hWnd, dc);
}

// The designed colours, or in high contrast the user's window colours (with no picture behind the labels,
// the title gets a background too).
void CTessalyDlg::ColourLabels(bool highContrast) {
    const COLORREF window = ::GetSysColor(COLOR_WINDOW), text = ::GetSysColor(COLOR_WINDOWTEXT);
    m_lblTitle.SetBackColor(highContrast ? window : CStaticTrans::kNoBackground);
    m_lblTitle.m_crTextColor = highContrast ? text : kWhite;
    struct {
        CStaticTrans& label;
        COLORREF ink;
    } const labels[] = {
        {m_lblDescription, kGrey}, {m_lblFeatureName, kBlack}, {m_lblOn, kBlack}, {m_lblOff, kBlack}};
    for (const auto& l : labels) {
        l.label.SetBackColor(highContrast ? window : kWhite);
        l.label.m_crTextColor = highContrast ? text : l.ink;
    }
}

// The help viewer is started by its path with the file as its argument: the file type's "open" handler
// would be looked up among the user's own classes as well, and this program runs elevated. It runs as whoever
// sits at the desktop: when that is not this program's account, through the desktop's own shell, or not at
// all.
void CTessalyDlg::OpenHelp() {
    auto exists = [](const std::wstring& file) {
        return ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    std::wstring path = m_strModuleDir + L"Help\\" + GetLanguageCode() + L".chm";
    if (!exists(path)) path = m_strModuleDir + L"Help\\0409.chm";
    const std::wstring viewer = HelpViewerPath();
    if (!exists(path) || viewer.empty()) return;  // nothing to show: no viewer window with an error
    switch (ChooseHelpStart(ProgramAccount(), DesktopAccount())) {
        case HelpStart::kAsThisProgram: {
            fw::ChildOptions options;
            options.application = viewer.c_str();
            fw::StartChild(L"\"" + viewer + L"\" \"" + path + L"\"", options);
            break;
        }
        case HelpStart::kAsDesktopUser:
            StartAsDesktopUser(viewer, path);
            break;
        case HelpStart::kNotAtAll:
            break;
    }
}
