// What accessibility clients (screen readers) learn about a button that the program draws itself.
#pragma once
#include <windows.h>

#include <string>

namespace fw {

// What a control's accessible object says in place of the platform's standard answer; an empty text leaves
// the standard one.
struct AccessibleTexts {
    // Taken as it stands: the standard name is the window text with its first '&' dropped as an access key.
    std::wstring name;
    std::wstring description;
    std::wstring defaultAction;
    // A grouping that lies over its members: a point on a window below it in the order is that window's (the
    // group itself only where none is).
    bool passHitTests = false;
};

// The answer to WM_GETOBJECT for a control window: for the client object, the platform's standard object of
// the window (name from the window text, position, focus, availability), except that its role is `role`
// (ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_RADIOBUTTON, ROLE_SYSTEM_GROUPING, ROLE_SYSTEM_STATICTEXT), its state
// also carries what the window says of itself when asked: checked (BM_GETCHECK) and, for a push button,
// default button (BS_DEFPUSHBUTTON); and `texts` replace what they give. 0, the platform's own answer, for
// other objects or when the object cannot be made. The calling thread must have COM.
LRESULT AnswerControlGetObject(HWND control, WPARAM wp, LPARAM lp, long role,
                               const AccessibleTexts& texts = {});

}  // namespace fw
