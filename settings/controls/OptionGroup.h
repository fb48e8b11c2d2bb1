// The group box around a group of options, as screen readers know one (named by its title, read with the
// options inside it, described once for all of them), showing nothing: a label of the dialog already shows
// the group's title. It lies over its options but is no target of any hit test: screen readers and touch
// exploration at a point on an option or its text find that option or text.
#pragma once
#include <framework/controls.h>

#include <string>

class COptionGroup : public fw::CWnd {
public:
    // Control `id` of `dialog` over `rc` (its client coordinates), named `title` and described by
    // `description`, placed in the order right after `previous` (before the options, where screen readers
    // look for the group of a control); it takes no input.
    bool Create(HWND dialog, UINT id, const RECT& rc, const std::wstring& title,
                const std::wstring& description, HWND previous);

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return 1; }
    LRESULT OnGetObject(WPARAM, LPARAM);
    LRESULT OnUpdateUiState(WPARAM, LPARAM);

    std::wstring m_strTitle;
    std::wstring m_strDescription;
};
