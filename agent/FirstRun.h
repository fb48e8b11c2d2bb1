// A user's first run on a fully deployed English (United States) system: the one time device wake is set up.
#pragma once
#include <string>

// True when device wake is to be configured now; the user has then just been marked as done.
bool CheckFirstRun();

// True while Windows is still being prepared for deployment.
bool IsImagePending();

// The user's locale name is English (United States), whatever the letter case.
bool IsUnitedStatesEnglish(const std::wstring& localeName);
