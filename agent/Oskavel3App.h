// The power-plan agent's application object.
#pragma once
#include <app.h>
#include <handles.h>

class COskavel3App : public fw::CWinApp {
public:
    // Runs the hidden dialog once; always FALSE, so no message loop follows.
    BOOL InitInstance() override;

private:
    // Keeps a second agent of the same session out for as long as this one runs.
    fw::CKernelHandle m_hInstanceMutex;
};
