#include "Language.h"

#include <com.h>
#include <shellapi.h>

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

// Background, text colour, font, text: in this order, so each repaint already has what it needs.
void SetUpLabel(CStaticTrans& label, COLORREF back, COLORREF text, const fw::CFont& font,
                const std::wstring& value) {
    label.SetBackColor(back);
    label.m_crTextColor = text;
    label.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    label.SetWindowText(value);
}
}  // namespace

std::wstring CTessalyDlg::GetLanguageCode() {
    return LanguageCodeFor(::GetUserDefaultLangID());
}

void CTessalyDlg::LoadInterfaceTexts(const std::wstring& code) {
    const std::wstring file = m_strModuleDir + L"UIString.ini";
    const bool large = m_bLargeLayout != 0;

    CreateLabelFont(m_fontTitle, kTitleFont, large);
    m_lblTitle.m_crTextColor = kWhite;
    m_lblTitle.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_fontTitle.Get()), TRUE);
    m_lblTitle.SetWindowText(L"Corvane Velmora");

    m_strDesc = ReadText(file, code, L"Desc");
    CreateLabelFont(m_fontDescription, kDescriptionFont, large);
    SetUpLabel(m_lblDescription, kWhite, kGrey, m_fontDescription, m_strDesc);

    m_strFuncName = ReadText(file, code, L"FuncName");
    CreateLabelFont(m_fontFeatureName, kFeatureNameFont, large);
    SetUpLabel(m_lblFeatureName, kWhite, kBlack, m_fontFeatureName, m_strFuncName);

    m_strState = ReadText(file, code, L"State");
    m_strOn = ReadText(file, code, L"On");
    m_strOff = ReadText(file, code, L"Off");
    CreateLabelFont(m_fontOption, kOptionFont, large);
    SetUpLabel(m_lblOn, kWhite, kBlack, m_fontOption, m_strOn);
    SetUpLabel(m_lblOff, kWhite, kBlack, m_fontOption, m_strOff);

    m_strOK = ReadText(file, code, L"OK");
    m_strCancel = ReadText(file, code, L"CANCEL");
    m_strApply = ReadText(file, code, L"APPLY");
    m_strMsg1 = ReadText(file, code, L"MSG1");
    m_strMsg2 = ReadText(file, code, L"MSG2");
}

void CTessalyDlg::OpenHelp() {
    // The shell may load extensions of its own for the file; they expect COM on the calling thread.
    const fw::CComScope com;
    const std::wstring path = m_strModuleDir + L"Help\\" + GetLanguageCode() + L".chm";
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", path.c_str(), L"", nullptr, SW_SHOWNORMAL));
    if (result == SE_ERR_FNF) {
        const std::wstring english = m_strModuleDir + L"Help\\0409.chm";
        ::ShellExecuteW(nullptr, L"open", english.c_str(), L"", nullptr, SW_SHOWNORMAL);
    }
}
