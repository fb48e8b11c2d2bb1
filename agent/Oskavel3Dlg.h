// The agent's hidden dialog: it hosts the one-second timer whose first tick runs the agent's work.
#pragma once
#include <ExitCodes.h>
#include <framework/dialog.h>
#include <framework/handles.h>

#include "KeepIconic.h"
#include "PowerScheme.h"

#include <string>

class COskavel3Dlg : public fw::CDialog {
public:
    COskavel3Dlg();
    ~COskavel3Dlg() override;

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    // What the process ends with (see ExitCodes.h).
    int ExitCode() const { return m_nExitCode; }

protected:
    BOOL OnInitDialog() override;

private:
    // Runs exactly one sequence: install, uninstall or the default one.
    void DispatchCommand();
    // Names the plan in the user's interface language from MultiLang.ini; false when a rename was due and
    // powercfg did not do it.
    [[nodiscard]] bool RenamePlan(const std::wstring& guidText);
    // The uninstall sequence: Balanced active, the recorded plan deleted, Power saver restored, the task
    // deleted and, for the package, the record removed.
    void Uninstall(const RecordedScheme& recorded, bool package, agent_exit::Outcome& outcome);

    void OnAbout() override;
    LRESULT OnTimer(WPARAM wp, LPARAM lp);

    int m_nTimerTicks = 0;
    std::wstring m_strAgentDir;
    std::wstring m_strCmdTail;
    int m_nExitCode = agent_exit::kDone;
    CKeepIconic m_keepIconic;
    // powrprof, loaded by the dispatch and kept until the agent ends.
    fw::CModule m_powerLibrary;
};

// The about box offered by the system menu.
class CAboutDlg : public fw::CDialog {
public:
    explicit CAboutDlg(HWND parent = nullptr);
};
