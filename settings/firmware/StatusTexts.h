// The messages shown for the firmware-call library's status codes.
#pragma once
#include <string>

// Status of InitBIOSInterface.
std::wstring InitStatusText(int status);
// Status of CallBIOSInterfaceEx.
std::wstring CallStatusText(int status);
