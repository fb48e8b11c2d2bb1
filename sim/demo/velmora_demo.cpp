// Drives the settings program for the demo.
//   velmora_demo.exe measure <Velmora.exe>
//       opens the dialog, prints its client area as "WIDTH HEIGHT" and cancels
//   velmora_demo.exe resolution <dpi>
//       sets the display resolution of programs started afterwards, with the System font Windows has there
//   velmora_demo.exe pictures <Velmora.exe> <picture folder> <name prefix> [--drive]
//       saves a picture of the dialog as it starts; with --drive also picks On, applies and closes with OK,
//       with a picture after each step. Every picture is printed with the client area and the layout the
//       dialog shows; the start also with what a screen reader reads for each button.
//   velmora_demo.exe contrast <Velmora.exe> <picture folder> <name prefix>
//       opens the dialog, switches the user's theme to high contrast ("High Contrast Black") while it is
//       open and back again, with a picture of each look; the theme is put back at the end
#include <oleacc.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <drive.h>
#include <screenshot.h>

namespace {

const wchar_t kTitle[] = L"Corvane Velmora";
const int kOnOption = 1000, kApply = 3;

HWND OpenDialog(drive::AppUnderTest& app) {
    HWND dlg = app.WaitForDialog(kTitle, 60000);
    if (!dlg) {
        std::fprintf(stderr, "the dialog did not appear\n");
        for (const auto& box : app.Boxes()) std::fprintf(stderr, "  message: %ls\n", box.text.c_str());
    }
    return dlg;
}

// A picture of the dialog; `designed`: in its designed look, whose layout the images tell (the high-contrast
// look has none).
void Shot(HWND dlg, const std::wstring& exe, const std::wstring& dir, const std::wstring& name,
          bool designed = true) {
    if (!drive::WaitForStillWindow(dlg)) std::printf("  (the window was still changing)\n");
    RECT client;
    ::GetClientRect(dlg, &client);
    const drive::Layout layout = drive::ShownLayout(dlg, exe);
    const std::wstring path = dir + L"\\" + name + L".bmp";
    drive::SaveWindowShot(dlg, path);
    std::printf(
        "  picture %ls: client area %ld x %ld, %s\n", (name + L".png").c_str(), client.right, client.bottom,
        designed ? (std::string(drive::LayoutName(layout)) + " layout").c_str() : "high-contrast look");
    if (!designed) return;
    const bool wide = client.right > 364;
    if ((wide && layout != drive::Layout::Large) || (!wide && layout != drive::Layout::Normal))
        std::printf("  note: a client area %s 364 pixels wide should show the %s layout\n",
                    wide ? "wider than" : "up to", wide ? "large" : "normal");
}

// What a screen reader reads of each button: name, role, state, description and default action, through the
// accessibility API.
void PrintScreenReader(HWND dlg) {
    // Spelled out: the import libraries' IID_IAccessible resolves to no data.
    const IID accessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::printf("  a screen reader reads:\n");
    for (int id : {1002, 1014, 1000, 1001, IDOK, IDCANCEL, 3}) {  // 1014: the options' group
        IAccessible* object = nullptr;
        if (FAILED(::AccessibleObjectFromWindow(::GetDlgItem(dlg, id), OBJID_CLIENT, accessible,
                                                reinterpret_cast<void**>(&object)))) {
            std::printf("    control %d: nothing\n", id);
            continue;
        }
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR name = nullptr, description = nullptr, action = nullptr;
        VARIANT role{}, state{};
        object->get_accName(self, &name);
        object->get_accDescription(self, &description);
        object->get_accDefaultAction(self, &action);
        object->get_accRole(self, &role);
        object->get_accState(self, &state);
        wchar_t roleText[64] = L"";
        ::GetRoleTextW(role.vt == VT_I4 ? role.lVal : 0, roleText, 64);
        std::wstring states;
        for (DWORD bit = 1; bit && state.vt == VT_I4; bit <<= 1) {
            if (!(state.lVal & bit)) continue;
            wchar_t text[64] = L"";
            ::GetStateTextW(bit, text, 64);
            states += (states.empty() ? L"" : L", ") + std::wstring(text);
        }
        std::printf("    \"%s\": %s (%s)\n", drive::Narrow(name ? name : L"").c_str(),
                    drive::Narrow(roleText).c_str(), drive::Narrow(states).c_str());
        if (description && *description)
            std::printf("      described as \"%s\"\n", drive::Narrow(description).c_str());
        if (action && *action) std::printf("      default action \"%s\"\n", drive::Narrow(action).c_str());
        ::SysFreeString(description);
        ::SysFreeString(action);
        ::SysFreeString(name);
        object->Release();
    }
    ::CoUninitialize();
}

// Wine keeps high contrast off whatever the user chooses; the driver shows the program the choice as Windows
// answers it (drive::HighContrastTheme). The colours are those Windows sets for "High Contrast Black", which
// programs started afterwards get; the machine's own are put back at the end.
int Contrast(const std::wstring& exe, const std::wstring& dir, const std::wstring& prefix) {
    const wchar_t colours[] = L"Control Panel\\Colors";
    const std::pair<const wchar_t*, const wchar_t*> scheme[] = {
        {L"Window", L"0 0 0"},           {L"WindowText", L"255 255 255"}, {L"ButtonFace", L"0 0 0"},
        {L"ButtonText", L"255 255 255"}, {L"Hilight", L"26 235 255"},     {L"HilightText", L"0 0 0"},
        {L"GrayText", L"63 242 0"}};
    auto setColour = [&](const wchar_t* name, const std::wstring& value) {
        return drive::reg::Write(HKEY_CURRENT_USER, colours, name, REG_SZ, value.c_str(),
                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    };
    std::vector<std::pair<const wchar_t*, std::optional<std::wstring>>> saved;
    bool ready = true;
    for (const auto& [name, value] : scheme) {
        saved.emplace_back(name, drive::reg::GetString(HKEY_CURRENT_USER, colours, name));
        ready = setColour(name, value) && ready;
    }
    int result = 1;
    if (ready) {
        drive::HighContrastTheme theme;
        drive::AppUnderTest app(exe, L"");
        if (HWND dlg = OpenDialog(app)) {
            for (bool on : {true, false}) {
                std::printf("  high contrast %s (the theme announced to the open dialog)\n",
                            on ? "on" : "off");
                if (!theme.Switch(on, dlg))
                    std::printf("  (the high-contrast choice could not be written)\n");
                Shot(dlg, exe, dir, prefix + (on ? L"-high-contrast" : L"-designed-again"), !on);
            }
            app.Click(dlg, IDCANCEL);
            result = app.WaitExit(60000) ? 0 : 1;
        }
    }
    for (const auto& [name, value] : saved) {
        const bool restored =
            value ? setColour(name, *value)
                  : drive::reg::DeleteValue(HKEY_CURRENT_USER, colours, name) == ERROR_SUCCESS;
        if (!restored) result = 1;
    }
    return result;
}

int Measure(const std::wstring& exe) {
    drive::AppUnderTest app(exe, L"");
    HWND dlg = OpenDialog(app);
    if (!dlg) return 1;
    RECT client;
    ::GetClientRect(dlg, &client);
    std::printf("%ld %ld\n", client.right, client.bottom);
    app.Click(dlg, IDCANCEL);
    return app.WaitExit(60000) ? 0 : 1;
}

int Pictures(const std::wstring& exe, const std::wstring& dir, const std::wstring& prefix, bool drive) {
    drive::AppUnderTest app(exe, L"");
    HWND dlg = OpenDialog(app);
    if (!dlg) return 1;
    Shot(dlg, exe, dir, prefix + L"-start");
    PrintScreenReader(dlg);
    if (drive) {
        std::printf("  On\n");
        app.Click(dlg, kOnOption);
        Shot(dlg, exe, dir, prefix + L"-on");
        std::printf("  Apply\n");
        app.Click(dlg, kApply);
        Shot(dlg, exe, dir, prefix + L"-applied");
        std::printf("  OK\n");
        app.Click(dlg, IDOK);
    } else {
        app.Click(dlg, IDCANCEL);
    }
    const bool ended = app.WaitExit(120000);
    for (const auto& box : app.Boxes()) std::printf("  message box: %ls\n", box.text.c_str());
    return ended ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Sizes and pixels as the screen has them, whatever the resolution.
    ::SetProcessDPIAware();
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"measure" && argc == 3) return Measure(argv[2]);
    if (mode == L"resolution" && argc == 3)
        return drive::SetResolution(std::wcstoul(argv[2], nullptr, 10)) ? 0 : 1;
    if (mode == L"contrast" && argc == 5) return Contrast(argv[2], argv[3], argv[4]);
    if (mode == L"pictures" && (argc == 5 || (argc == 6 && std::wstring(argv[5]) == L"--drive")))
        return Pictures(argv[2], argv[3], argv[4], argc == 6);
    std::fprintf(stderr,
                 "usage: velmora_demo measure EXE\n"
                 "       velmora_demo resolution DPI\n"
                 "       velmora_demo pictures EXE PICTURE_DIR PREFIX [--drive]\n"
                 "       velmora_demo contrast EXE PICTURE_DIR PREFIX\n");
    return 2;
}
