// The group box around a group of options, as screen readers know one (named by its text, read with the
// options inside it), showing nothing: a label of the dialog already shows the group's title.
#pragma once
#include <controls.h>

#include <string>

class COptionGroup : public fw::CWnd {
public:
    // Control `id` of `dialog` over `rc` (its client coordinates), named `title`, placed in the tab order
    // right after `previous`; it takes no input and lets the mouse through to what lies under it.
    bool Create(HWND dialog, UINT id, const RECT& rc, const std::wstring& title, HWND previous);

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return 1; }
    LRESULT OnGetObject(WPARAM, LPARAM);
    LRESULT OnUpdateUiState(WPARAM, LPARAM);
};
