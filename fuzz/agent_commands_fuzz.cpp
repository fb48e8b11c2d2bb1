// The agent's cmd lines, read the way cmd reads them: outside double quotes only the fixed words of the
// command and the GUID stand; between them only the given text, with nothing cmd would expand or split at.
#include <vector>

#include "agent/CommandLines.h"
#include "agent/GuidText.h"
#include "wide_input.h"

namespace {

// A line as cmd sees it: the text outside quotes (each quoted part replaced by one '"'), and the quoted
// parts.
struct CmdView {
    std::wstring outside;
    std::vector<std::wstring> quoted;
    bool closed = true;  // every quote has its partner
};

CmdView Read(const std::wstring& line) {
    CmdView view;
    bool inside = false;
    for (wchar_t c : line) {
        if (c == L'"') {
            if (!inside) {
                view.outside.push_back(L'"');
                view.quoted.emplace_back();
            }
            inside = !inside;
        } else if (inside) {
            view.quoted.back().push_back(c);
        } else {
            view.outside.push_back(c);
        }
    }
    view.closed = !inside;
    return view;
}

// What cmd would act on between quotes: expansion (% and !), line ends and other control characters.
bool Inert(const std::wstring& text) {
    for (wchar_t c : text)
        if (c == L'%' || c == L'!' || c < 0x20 || (c >= 0x7F && c <= 0x9F)) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::wstring guid = fuzz::ConsumeWide(input, 40);
    const std::wstring name = fuzz::ConsumeWide(input, 300);
    const std::wstring description = fuzz::ConsumeWide(input, 300);
    const std::wstring folder = fuzz::ConsumeWide(input, 300);

    // Rename: only a GUID text ever stands outside the quotes (the caller checks it; here any one is used).
    const std::wstring id = IsGuidText(guid) ? guid : L"381b4222-f694-41f0-9685-ff5bb260df2e";
    const std::wstring rename = BuildRenameCommand(id, name, description);
    const CmdView renameView = Read(rename);
    FUZZ_CHECK(renameView.closed && renameView.quoted.size() == 2, rename);
    FUZZ_CHECK(renameView.outside == L"cmd /cpowercfg -changename " + id + L" \" \"", rename);
    FUZZ_CHECK(renameView.quoted[0].size() == name.size() && Inert(renameView.quoted[0]), rename);
    FUZZ_CHECK(renameView.quoted[1].size() == description.size() && Inert(renameView.quoted[1]), rename);
    for (size_t i = 0; i < name.size(); ++i) {
        const bool kept = name[i] != L'"' && Inert(std::wstring(1, name[i]));
        FUZZ_CHECK(kept ? renameView.quoted[0][i] == name[i]
                        : renameView.quoted[0][i] == L' ' || renameView.quoted[0][i] == L'\'',
                   rename);
    }

    // Wake: a usable name goes between the quotes as it is; any other gets no command.
    if (IsUsableDeviceName(name)) {
        const std::wstring wake = BuildWakeCommand(name);
        const CmdView wakeView = Read(wake);
        FUZZ_CHECK(wakeView.closed && wakeView.quoted.size() == 1, wake);
        FUZZ_CHECK(wakeView.outside == L"cmd.exe /cpowercfg.exe -deviceenablewake \"", wake);
        FUZZ_CHECK(wakeView.quoted[0] == name && Inert(name), wake);
    } else {
        FUZZ_CHECK(name.empty() || !Inert(name) || name.find(L'"') != std::wstring::npos, name);
    }

    // Task: the program folder as the environment gives it. Accepted lines keep their four quotes with
    // plain text between them; a folder of plain text is always accepted.
    std::wstring task = BuildCreateTaskCommand();
    task.replace(task.find(L"%programFiles%"), 14, folder);
    const CmdView taskView = Read(task);
    if (QuotesHoldOnlyPlainText(task, 4)) {
        FUZZ_CHECK(taskView.closed && taskView.quoted.size() == 2, task);
        FUZZ_CHECK(taskView.outside == L"cmd /cschtasks /create /XML \" /tn \" ", task);
        FUZZ_CHECK(taskView.quoted[0] == folder + L"\\Corvane\\Oskavel\\Oskavel.xml", task);
        FUZZ_CHECK(taskView.quoted[1] == L"Oskavel" && Inert(taskView.quoted[0]), task);
    } else {
        FUZZ_CHECK(folder.find(L'"') != std::wstring::npos || !Inert(folder), folder);
    }

    // Only a first word of cmd or cmd.exe gets the system's cmd.
    if (StartsWithCmd(name)) {
        std::wstring first = name.substr(0, name.find(L' '));
        for (wchar_t& c : first)
            if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
        FUZZ_CHECK(first == L"cmd" || first == L"cmd.exe", name);
    }
    return 0;
}
