// The application object: one per program, constructed before the entry point runs.
#pragma once
#include <windows.h>

#include <string>

namespace fw {

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The program's application object.
    static CWinApp* Get() { return s_app; }

    // Start-up; returning FALSE ends the process without a message loop.
    virtual BOOL InitInstance() { return TRUE; }
    virtual int Run();

    // The registry key under which profile settings would be kept; neither program keeps any.
    void SetRegistryKey(const wchar_t* key) { m_strRegistryKey = key; }
    // No dialog of ours hosts an ActiveX control, so there is nothing to set up here.
    void EnableControlContainer() {}
    // A message box captioned with the application name; an OK-only box gets the warning icon.
    int DoMessageBox(const std::wstring& text, UINT type = MB_OK) const;

    HINSTANCE m_hInstance = nullptr;
    // The command text after the program name and the blanks that follow it.
    const wchar_t* m_lpCmdLine = L"";
    CWnd* m_pMainWnd = nullptr;
    // The executable's base name.
    std::wstring m_strAppName;
    std::wstring m_strRegistryKey;

private:
    static CWinApp* s_app;
};

// The command tail of a full command line: the program name ends at the first character at or below
// U+0020 outside double quotes; the characters at or below U+0020 after it are skipped.
const wchar_t* CommandTail(const wchar_t* commandLine);

}  // namespace fw

namespace fw {
// The folder of the running executable with its trailing backslash (empty when the path holds none).
// The buffer grows until the whole path fits, however long it is.
std::wstring ModuleDirectory(HMODULE module = nullptr);
// The folder part of a full path, up to and including its last backslash.
std::wstring DirectoryOf(const std::wstring& path);
}  // namespace fw
