// How much the settings program adds to the child processes one Apply must start: the wall time of one
// Apply with N power schemes against the same number of bare starts of the same powercfg.exe.
//   policy_bench.exe <Velmora.exe>
#include <chrono>
#include <cstdio>

#include "e2e.h"

namespace {
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

const wchar_t kPowercfg[] = L"C:\\windows\\system32\\powercfg.exe";

double TimeApply(const std::wstring& exe) {
    e2e::reg::SetDword(HKEY_CURRENT_USER, L"Software\\Corvane\\Velmora", L"VelmoraMode", 0);
    e2e::AppUnderTest app(exe, L"");
    HWND dlg = app.WaitForDialog(L"Corvane Velmora", 60000);
    if (!dlg || !app.Click(dlg, 1000)) return -1;
    const auto start = Clock::now();
    app.Click(dlg, 3);
    const double elapsed = Seconds(start);
    app.Click(dlg, IDCANCEL);
    app.WaitExit(60000);
    return elapsed;
}

double TimeBareStarts(int count) {
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        std::wstring command = kPowercfg;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                             nullptr, &si, &pi)) {
            ::WaitForSingleObject(pi.hProcess, INFINITE);
            ::CloseHandle(pi.hProcess);
            ::CloseHandle(pi.hThread);
        }
    }
    return Seconds(start);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: policy_bench VELMORA_EXE\n");
        return 2;
    }
    ::SetEnvironmentVariableW(L"CORVANE_SIM_LOG", nullptr);
    std::printf("%8s %10s %12s %14s %8s\n", "schemes", "children", "apply (s)", "bare starts (s)", "ratio");
    for (int schemes : {1, 3, 10, 30}) {
        e2e::RunConsole(std::wstring(kPowercfg) + L" -seed " + std::to_wstring(schemes));
        const int children = 10 * schemes + 3 + 5;
        const double apply = TimeApply(argv[1]);
        const double bare = TimeBareStarts(children);
        std::printf("%8d %10d %12.2f %14.2f %8.3f\n", schemes, children, apply, bare, apply / bare);
    }
    e2e::RunConsole(std::wstring(kPowercfg) + L" -seed");
    return 0;
}
