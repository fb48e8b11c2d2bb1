#include "Language.h"

#include <childprocess.h>

#include "HelpStart.h"
#include "HelpViewer.h"
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
    m_lblTitle.SetWindowText(L"Corvane Velmora");

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
