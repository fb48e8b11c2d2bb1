// The settings program against input it does not control: a refused switch while the window repaints, and
// a power-scheme store holding what no Windows wrote.
#include <algorithm>

#include "velmora_fixture.h"

using namespace velmora_test;

namespace {

const char kBalanced[] = "381b4222-f694-41f0-9685-ff5bb260df2e";

template <class Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(20);
    }
    return true;
}

struct BoxSearch {
    DWORD pid;
    HWND box;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<BoxSearch*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[16] = L"";
    ::GetClassNameW(hwnd, cls, 16);
    if (pid == search->pid && ::IsWindowVisible(hwnd) && std::wstring(cls) == L"#32770" &&
        ::GetDlgItem(hwnd, 0xFFFF)) {
        search->box = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The program's open message box (a dialog holding the platform's message-text control), or null.
HWND MessageBoxOf(DWORD pid) {
    BoxSearch search{pid, nullptr};
    ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    return search.box;
}

void SetRaw(const std::wstring& path, const wchar_t* name, DWORD type, const std::vector<BYTE>& data) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                               nullptr, &key, nullptr));
    ::RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
    ::RegCloseKey(key);
}

std::vector<BYTE> Utf16Bytes(const std::wstring& text) {
    const auto* p = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(p, p + text.size() * sizeof(wchar_t));
}

}  // namespace

TEST_F(VelmoraTest, RefusedOkWithARepaintWhileTheBoxIsUpKeepsTheDialogOpen) {
    SetFirmware(L"SwitchAnswer", 2);  // the firmware refuses every switch
    e2e::AppUnderTest app(Exe(), L"");
    HWND dlg = app.WaitForDialog(kTitle);
    ASSERT_NE(nullptr, dlg);
    ASSERT_TRUE(app.Click(dlg, 1000));

    // OK, and the failure box stays up until this test closes it.
    app.SetAnswerBoxes(false);
    ASSERT_TRUE(::PostMessageW(::GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = MessageBoxOf(app.ProcessId())) != nullptr; }, 60000));
    wchar_t text[64] = L"";
    ::GetWindowTextW(::GetDlgItem(box, 0xFFFF), text, 64);
    EXPECT_STREQ(L"Fail to set Enable", text);

    // The dialog repaints behind the box: its paint handler runs inside the OK handler's message box.
    ::InvalidateRect(dlg, nullptr, TRUE);
    ASSERT_TRUE(WaitUntil([&] { return !::GetUpdateRect(dlg, nullptr, FALSE); }, 30000))
        << "the dialog was not repainted while the box was up";

    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, 30000));
    // Answered only once the click's handler has returned and the dialog's own loop runs again.
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutW(dlg, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &answer);
    EXPECT_TRUE(::IsWindow(dlg)) << "the refused OK closed the dialog";
    EXPECT_FALSE(app.WaitExit(0));
    EXPECT_FALSE(StoredMode().has_value());
    EXPECT_TRUE(PowercfgCommands().empty());
    app.SetAnswerBoxes(true);
    ASSERT_TRUE(app.Click(dlg, IDCANCEL));
    ASSERT_TRUE(app.WaitExit());
}

TEST_F(VelmoraTest, ActiveSchemeAndSchemeNamesAreUsedAsReadWithoutBreakingTheCommands) {
    // One scheme, so each run is short: Balanced, plus a scheme key whose name holds blanks and a '&'.
    ASSERT_EQ(0u, e2e::RunConsole(std::wstring(kPowercfg) + L" -seed 1"));
    const std::wstring odd = std::wstring(kSchemesKey) + L"\\my plan & calc";
    e2e::reg::SetString(HKEY_LOCAL_MACHINE, odd, L"FriendlyName", L"odd");

    struct Case {
        const char* what;
        DWORD type;
        std::vector<BYTE> data;
        std::string lastCommand;
    };
    const std::wstring filled(128, L'a');  // 256 bytes, no terminator
    const Case cases[] = {
        {"256 bytes without a terminator", REG_SZ, Utf16Bytes(filled), "-setactive " + std::string(128, 'a')},
        {"a DWORD", REG_DWORD, {0x31, 0, 0, 0}, "-setactive 1"},
        {"an odd-sized binary", REG_BINARY, {'b', 0, 'c', 0, 'd'}, "-setactive bc"},
        {"blanks and cmd's own characters", REG_SZ, Utf16Bytes(std::wstring(L"381b4222 & calc | x\0", 20)),
         "-setactive 381b4222 & calc | x"},
        {"more than 256 bytes", REG_SZ, Utf16Bytes(std::wstring(129, L'z') + L'\0'), "-setactive "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetRaw(kSchemesKey, L"ActivePowerScheme", c.type, c.data);
        SetStoredMode(1);
        log->Clear();
        e2e::AppUnderTest app(Exe(), L"UNINSTALL");
        ASSERT_TRUE(app.WaitExit(120000));
        const auto commands = PowercfgCommands();
        // 5 descriptors, 10 per scheme for two scheme keys, the defaults, Balanced and the active scheme.
        ASSERT_EQ(28u, commands.size());
        EXPECT_EQ(std::string("-setactive ") + kBalanced, commands[26]);
        EXPECT_EQ(c.lastCommand, commands[27]);
        EXPECT_TRUE(app.Boxes().empty());
    }
    // The odd scheme name stands where a scheme GUID would, as read; powercfg refuses those ten.
    const auto commands = PowercfgCommands();
    const auto named = std::count_if(commands.begin(), commands.end(), [](const std::string& line) {
        return line.find(" my plan & calc ") != std::string::npos;
    });
    EXPECT_EQ(10, named);
    EXPECT_NE(commands.end(),
              std::find(commands.begin(), commands.end(),
                        "-setacvalueindex my plan & calc 4f971e89-eebd-4455-a8de-9e59040e7347 "
                        "96996bc0-ad50-47ec-923b-6f41874dd9eb 1"));
}
