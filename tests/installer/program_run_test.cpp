// The custom actions' program runner, driven as they drive it but with a deadline of seconds. This test
// program is also the program it runs: "hang" starts a copy of itself ("sleep"), says that copy's process id
// and sleeps; "flood" writes 20,000 lines of 11 bytes.
#include <gtest/gtest.h>

#include <windows.h>

#include <ProgramRun.h>
#include <e2e.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::string kThisProgram = [] {
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path);
}();

int Child(const std::string& mode) {
    _setmode(_fileno(stdout), _O_BINARY);
    for (int i = 0; mode == "flood" && i < 20000; ++i) std::printf("line %05d\n", i);
    std::string sleeper = "\"" + kThisProgram + "\" sleep";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (mode == "hang" && ::CreateProcessA(nullptr, sleeper.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                           nullptr, &startup, &started))
        std::printf("started %lu\n", started.dwProcessId);
    std::fflush(stdout);
    if (mode != "flood") ::Sleep(INFINITE);
    return 0;
}

std::vector<std::string> RunThisProgram(const std::string& mode, DWORD deadlineMs,
                                        actions::Outcome expected) {
    std::vector<std::string> lines;
    const std::wstring commandLine = e2e::Widen("\"" + kThisProgram + "\" " + mode);
    const auto log = [](void* to, const wchar_t* text) {
        static_cast<std::vector<std::string>*>(to)->push_back(e2e::Narrow(text));
    };
    EXPECT_EQ(actions::RunProgram(commandLine.c_str(), deadlineMs, log, &lines), expected);
    return lines;
}

TEST(ProgramRun, AProgramPastItsDeadlineIsEndedWithWhatItStarted) {
    const auto lines = RunThisProgram("hang", 3000, actions::Outcome::kFailed);
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[1],
              "Corvane: \"" + kThisProgram +
                  "\" hang did not end within 3 seconds and was ended, with every program it started.");
    unsigned long id = 0;
    ASSERT_EQ(std::sscanf(lines[0].c_str(), "started %lu", &id), 1) << lines[0];
    // Ended here should the runner have left it running, so that a failure leaves nothing behind.
    const std::unique_ptr<void, void (*)(HANDLE)> sleeper(
        ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id), [](HANDLE process) {
            if (!process) return;
            ::TerminateProcess(process, 1);  // refused by an ended process, which needs nothing more
            ::CloseHandle(process);
        });
    EXPECT_TRUE(!sleeper || ::WaitForSingleObject(sleeper.get(), 10000) == WAIT_OBJECT_0)
        << "the copy runs on";
}

// 220,000 bytes, far more than the pipe holds: the program ends only while the runner reads on. The log takes
// 4,096 of them: 372 whole lines and the first 4 bytes of the next.
TEST(ProgramRun, OutputBeyondTheLogsShareIsReadAndDroppedAndSaidSo) {
    const auto lines = RunThisProgram("flood", 60000, actions::Outcome::kSucceeded);
    ASSERT_EQ(lines.size(), 375u);
    EXPECT_EQ(lines[0], "line 00000");
    EXPECT_EQ(lines[371], "line 00371");
    EXPECT_EQ(lines[372], "line");
    EXPECT_EQ(lines[373], "Corvane: 215904 more bytes of output are not in the log.");
    EXPECT_EQ(lines[374], "Corvane: \"" + kThisProgram + "\" flood ended with exit code 0.");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && argv[1][0] != '-') return Child(argv[1]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
