// Our application framework: the command tail, module folders of any length, message-map routing.
#include <gtest/gtest.h>

#include <framework/app.h>
#include <framework/dialog.h>

#include <string>

#include "test_support.h"

TEST(CommandTail, ProgramNameEndsAtTheFirstBlankOutsideQuotes) {
    EXPECT_STREQ(L"UNINSTALL", fw::CommandTail(L"Velmora.exe UNINSTALL"));
    EXPECT_STREQ(L"UNINSTALL", fw::CommandTail(L"\"C:\\Program Files\\Velmora.exe\" UNINSTALL"));
    EXPECT_STREQ(L"/install", fw::CommandTail(L"Oskavel3.exe    \t /install"));
    EXPECT_STREQ(L"/install ", fw::CommandTail(L"Oskavel3.exe /install "));
    EXPECT_STREQ(L"x\"y z", fw::CommandTail(L"a\"b c\"d x\"y z"));
    EXPECT_STREQ(L"", fw::CommandTail(L"Velmora.exe"));
    EXPECT_STREQ(L"", fw::CommandTail(L"Velmora.exe   "));
    EXPECT_STREQ(L"", fw::CommandTail(nullptr));
}

TEST(ModuleDirectory, FolderOfAModuleWhosePathIsLongerThanMaxPath) {
    // A copy of a small library of ours in a folder far deeper than MAX_PATH allows.
    std::wstring dir = L"C:\\corvane-tests\\long-path";
    while (dir.size() < 400) dir += L"\\a-rather-long-folder-name-0123456789";
    std::wstring made = L"\\\\?\\C:";
    for (size_t pos = 2; pos != std::wstring::npos;) {
        const size_t next = dir.find(L'\\', pos + 1);
        made += dir.substr(pos, next == std::wstring::npos ? std::wstring::npos : next - pos);
        ::CreateDirectoryW(made.c_str(), nullptr);
        pos = next;
    }
    const std::wstring library = L"\\\\?\\" + dir + L"\\hhview.exe";
    ASSERT_TRUE(::CopyFileW((e2e::DistDir() + L"sim\\hhview.exe").c_str(), library.c_str(), FALSE));

    HMODULE module = ::LoadLibraryExW(library.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(nullptr, module) << ::GetLastError();
    const std::wstring folder = fw::ModuleDirectory(module);
    ::FreeLibrary(module);
    EXPECT_GT(folder.size(), static_cast<size_t>(MAX_PATH));
    ASSERT_GE(folder.size(), dir.size() + 1);
    EXPECT_EQ(dir + L"\\", folder.substr(folder.size() - dir.size() - 1));
}

TEST(DirectoryOf, KeepsTheTrailingBackslashOrGivesNothing) {
    EXPECT_EQ(L"C:\\Program Files\\Corvane\\", fw::DirectoryOf(L"C:\\Program Files\\Corvane\\Velmora.exe"));
    EXPECT_EQ(L"", fw::DirectoryOf(L"Velmora.exe"));
}

namespace {
// A window that routes two messages through a table and lets one of them go on to default processing.
class Routed : public fw::CWnd {
public:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        static const fw::MessageMapEntry<Routed> map[] = {
            {WM_USER, &Routed::OnUser},
            {WM_COMMAND, BN_CLICKED, 7, &Routed::OnSeven},
            {WM_GETTEXTLENGTH, &Routed::OnTextLength},
        };
        return RouteMessage(this, map, msg, wp, lp, result) || fw::CWnd::OnMessage(msg, wp, lp, result);
    }
    int sevens = 0;

private:
    LRESULT OnUser(WPARAM wp, LPARAM) { return static_cast<LRESULT>(wp * 2); }
    void OnSeven() { ++sevens; }
    LRESULT OnTextLength(WPARAM, LPARAM) {
        SetMsgHandled(false);  // the control's own answer stands
        return 99;
    }
};
}  // namespace

TEST(MessageMap, TablesRouteByMessageNotificationAndIdAndFallBackToTheControl) {
    HWND hwnd =
        ::CreateWindowExW(0, L"STATIC", L"abc", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, hwnd);
    {
        Routed routed;
        ASSERT_TRUE(routed.SubclassWindow(hwnd));
        EXPECT_EQ(&routed, fw::CWnd::FromHandle(hwnd));
        EXPECT_EQ(42, ::SendMessageW(hwnd, WM_USER, 21, 0));
        ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), 0);
        ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(8, BN_CLICKED), 0);
        ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(7, BN_DOUBLECLICKED), 0);
        EXPECT_EQ(1, routed.sevens);
        EXPECT_EQ(3, ::SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
    }
    // The object is gone: the window is the platform's own again.
    EXPECT_EQ(nullptr, fw::CWnd::FromHandle(hwnd));
    EXPECT_EQ(0, ::SendMessageW(hwnd, WM_USER, 21, 0));
    ::DestroyWindow(hwnd);
}
