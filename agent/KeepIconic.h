// Keeps one window minimized for as long as the guard lives: requests to restore or maximize it are refused.
// Wine: its dialog manager shows a modal dialog with SW_SHOWNORMAL the first time its queue runs empty, even
// when the dialog has minimized itself (Windows shows only a dialog that is not visible yet); the agent's
// window must never appear in normal size.
#pragma once
#include <windows.h>

class CKeepIconic {
public:
    CKeepIconic() = default;
    ~CKeepIconic();
    CKeepIconic(const CKeepIconic&) = delete;
    CKeepIconic& operator=(const CKeepIconic&) = delete;

    // Starts guarding the window (of the calling thread); false when the guard's hook could not be set.
    [[nodiscard]] bool Guard(HWND window);

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wp, LPARAM lp);

    HHOOK m_hHook = nullptr;
};
