// What accessibility clients (screen readers) learn about a button that the program draws itself.
#pragma once
#include <windows.h>

#include <string>

namespace fw {

// The answer to WM_GETOBJECT for a button window: for the client object, the platform's standard object of
// the window (name from the window text, position, focus, availability), except that its role is `role`
// (ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_RADIOBUTTON, ROLE_SYSTEM_GROUPING) and its state also carries what the
// window says of itself when asked: checked (BM_GETCHECK) and default button (BS_DEFPUSHBUTTON); a
// description that is not empty is its description. 0, the platform's own answer, for other objects or when
// the object cannot be made. The calling thread must have COM.
LRESULT AnswerButtonGetObject(HWND button, WPARAM wp, LPARAM lp, long role,
                              const std::wstring& description = {});

}  // namespace fw
