// Velmora's entries in the Application event log, which organizations collect centrally: one for every
// switch (who, from, to, by which route) and one for every switch that failed (with its exit code's meaning).
// The messages are the program's own message table; the package registers the event source.
#pragma once
#include <windows.h>

#include <framework/handles.h>

#include <string>

#include "VelmoraCommand.h"

inline constexpr wchar_t kEventSource[] = L"Corvane Velmora";

// An event source; closing it only ends this process's use of the source.
struct EventSourceTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { (void)::DeregisterEventSource(h); }
};

class CEventLog {
public:
    CEventLog();

    // `to` is the new mode (1 on, 0 off); `from` what the records held before ("on", "off", "on for some
    // users"). False when the entry could not be written (no event log service, say).
    [[nodiscard]] bool Switched(int to, const std::wstring& from, SwitchRoute route);
    [[nodiscard]] bool Failed(int to, SwitchRoute route, int exitCode);

private:
    [[nodiscard]] bool Write(WORD type, DWORD id, const std::wstring* strings, WORD count);
    fw::UniqueHandle<EventSourceTraits> m_source;
};

// The account this program runs as, as "DOMAIN\name", or its SID text where the name cannot be found.
std::wstring RunningAccountName();
