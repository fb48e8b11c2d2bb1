// The interface language: which UIString.ini section and help file the user gets.
#pragma once
#include <windows.h>

#include "LanguageCode.h"
