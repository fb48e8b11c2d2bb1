// The power-plan agent's application object.
#pragma once
#include <framework/app.h>
#include <framework/handles.h>

class COskavel3App : public fw::CWinApp {
public:
    // Runs the hidden dialog once; always FALSE, so no message loop follows.
    BOOL InitInstance() override;

private:
    // Whether this run may go on: it holds the instance mutex, or (the package's runs) waited its time for
    // it.
    [[nodiscard]] bool TakeInstanceMutex(bool package);

    // Keeps a second agent of the same session out for as long as this one runs.
    fw::CKernelHandle m_hInstanceMutex;
};
