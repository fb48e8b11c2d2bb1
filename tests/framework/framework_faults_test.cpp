// The framework under faults: handlers that let messages in, platform calls that keep failing, handles the
// platform gives back, and the process's DLL search.
#include <gtest/gtest.h>

#include <framework/app.h>
#include <framework/childprocess.h>
#include <framework/com.h>
#include <framework/controls.h>
#include <framework/handles.h>
#include <framework/registry.h>
#include <framework/text.h>

#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace {

// A handler of WM_USER that pumps messages (as a message box does) while a WM_PAINT-like message that its
// own handler leaves to default processing is dispatched to the same window.
class Pumping : public fw::CWnd {
public:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        static const fw::MessageMapEntry<Pumping> map[] = {
            {WM_USER, &Pumping::OnUser},
            {WM_USER + 1, &Pumping::OnLetThrough},
        };
        return RouteMessage(this, map, msg, wp, lp, result) || fw::CWnd::OnMessage(msg, wp, lp, result);
    }
    bool nestedSeen = false;

private:
    LRESULT OnUser(WPARAM, LPARAM) {
        ::PostMessageW(m_hWnd, WM_USER + 1, 0, 0);
        MSG msg;
        const DWORD deadline = ::GetTickCount() + 5000;
        while (!nestedSeen && ::GetTickCount() < deadline) {
            if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        }
        return 42;
    }
    LRESULT OnLetThrough(WPARAM, LPARAM) {
        nestedSeen = true;
        SetMsgHandled(false);
        return 0;
    }
};

struct PopupStatic {
    explicit PopupStatic(DWORD style = 0) {
        hwnd = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | style, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                 nullptr);
    }
    ~PopupStatic() { ::DestroyWindow(hwnd); }
    HWND hwnd;
};

TEST(MessageMap, AHandlerThatPumpsMessagesKeepsItsAnswer) {
    PopupStatic window;
    ASSERT_NE(nullptr, window.hwnd);
    Pumping pumping;
    ASSERT_TRUE(pumping.SubclassWindow(window.hwnd));
    // Unhandled, WM_USER would get the static control's own answer, 0.
    EXPECT_EQ(42, ::SendMessageW(window.hwnd, WM_USER, 0, 0));
    EXPECT_TRUE(pumping.nestedSeen);
}

// A wait that fails is no child that ended: the runner says so, and the caller does not start the next
// command as if the last were done. A WM_QUIT met while waiting is posted again for the loop that waits for
// it.
TEST(PumpingChildRunner, AFailedWaitFailsAndAQuitMetMeanwhileIsPostedAgain) {
    DWORD wait = 0;
    EXPECT_FALSE(fw::PumpUntilSignalled(nullptr, &wait));
    EXPECT_EQ(WAIT_FAILED, wait);

    ::PostQuitMessage(5);
    fw::ChildOptions options;
    options.creationFlags = CREATE_NO_WINDOW;
    ASSERT_TRUE(fw::RunChildPumping(fw::SystemDirectory() + L"cmd.exe /c exit 0", options, &wait));
    EXPECT_EQ(WAIT_OBJECT_0, wait);
    MSG msg{};
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(5u, msg.wParam);
}

TEST(PostMessageRetrying, GivesUpOnAWindowThatRefusesEveryMessage) {
    PopupStatic window;
    HWND gone = window.hwnd;
    ::DestroyWindow(window.hwnd);
    window.hwnd = nullptr;
    // An endless retry shows as the test's time-out.
    EXPECT_FALSE(fw::PostMessageRetrying(gone, WM_NULL, 0, 0));
}

TEST(SubkeyNames, EndsAtTheFirstErrorOfAKeyDeletedMeanwhile) {
    ASSERT_TRUE(e2e::reg::SetDword(HKEY_CURRENT_USER, L"Software\\CorvaneTests\\Deleted\\a", L"v", 1));
    fw::CRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, L"Software\\CorvaneTests\\Deleted", KEY_READ));
    EXPECT_EQ((std::vector<std::wstring>{L"a"}), fw::SubkeyNames(key.Get()));
    ASSERT_TRUE(e2e::reg::DeleteTree(HKEY_CURRENT_USER, L"Software\\CorvaneTests"));

    // The open handle now answers every index with ERROR_KEY_DELETED; a walk that goes on for ever shows as
    // the test's time-out.
    EXPECT_TRUE(fw::SubkeyNames(key.Get()).empty());
}

TEST(StaticBitmap, TheBitmapShownBeforeIsReleasedAndTheNewOneKept) {
    PopupStatic window(SS_BITMAP);
    ASSERT_NE(nullptr, window.hwnd);
    // What the template's bitmap is to the dialog's picture: one the control holds and nobody else owns.
    HBITMAP first = ::CreateBitmap(4, 4, 1, 32, nullptr);
    ::SendMessageW(window.hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(first));
    fw::CStatic picture;
    ASSERT_TRUE(picture.SubclassWindow(window.hwnd));
    fw::CBitmap second(::CreateBitmap(4, 4, 1, 24, nullptr));

    picture.SetBitmap(second.Get());
    EXPECT_EQ(0u, ::GetObjectType(first)) << "the bitmap shown before was leaked";
    EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), ::GetObjectType(second.Get()));
    // Showing the same bitmap again releases nothing.
    picture.SetBitmap(second.Get());
    EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), ::GetObjectType(second.Get()));
    EXPECT_EQ(reinterpret_cast<LRESULT>(second.Get()),
              ::SendMessageW(window.hwnd, STM_GETIMAGE, IMAGE_BITMAP, 0));
    picture.UnsubclassWindow();
}

TEST(ComScope, GivesTheThreadComAndLeavesAThreadOfAnotherModeAsItWas) {
    std::thread([] {
        {
            const fw::CComScope com;
            EXPECT_EQ(S_FALSE, ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) << "no COM in the scope";
            ::CoUninitialize();
        }
        // Undone: the thread may choose its mode afresh.
        EXPECT_EQ(S_OK, ::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        {
            const fw::CComScope com;  // refused: the thread is multithreaded
        }
        EXPECT_EQ(S_FALSE, ::CoInitializeEx(nullptr, COINIT_MULTITHREADED))
            << "the scope undid another's COM";
        ::CoUninitialize();
        ::CoUninitialize();
    }).join();
}

TEST(RegistryText, TakesUnitsUpToTheFirstZeroOrTheEnd) {
    const unsigned char terminated[] = {'A', 0, 'B', 0, 0, 0, 'C', 0};
    EXPECT_EQ(L"AB", fw::RegistryText(terminated, sizeof terminated));
    const unsigned char unterminated[] = {'x', 0, 'y', 0, 'z'};  // odd size, no zero
    EXPECT_EQ(L"xy", fw::RegistryText(unterminated, sizeof unterminated));
    const unsigned char dword[] = {0x31, 0, 0, 0};  // a REG_DWORD of 0x31
    EXPECT_EQ(L"1", fw::RegistryText(dword, sizeof dword));
    const unsigned char wide[] = {0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE};  // euro sign, then a surrogate pair
    EXPECT_EQ(std::wstring(L"\x20AC\xD83D\xDE00"), fw::RegistryText(wide, sizeof wide));
    EXPECT_EQ(L"", fw::RegistryText(nullptr, 8));
}

// Puts the process's current folder back however the test ends.
struct CurrentFolderRestorer {
    wchar_t folder[MAX_PATH] = L"";
    CurrentFolderRestorer() { ::GetCurrentDirectoryW(MAX_PATH, folder); }
    ~CurrentFolderRestorer() { ::SetCurrentDirectoryW(folder); }
};

// Where SetDefaultDllDirectories is missing (5.1, 6.0, an unpatched 6.1) or fails, the current directory is
// taken out of the search with an empty DLL directory. Wine keeps searching the current directory after
// SetDllDirectoryW(L"") (Windows does not), so the call itself is what can be checked here.
std::vector<std::wstring> g_dllDirectories;
BOOL WINAPI RecordDllDirectory(LPCWSTR dir) {
    g_dllDirectories.push_back(dir ? dir : L"(null)");
    return TRUE;
}
BOOL WINAPI RefuseDefaultDirectories(DWORD) {
    return FALSE;
}
BOOL WINAPI AcceptDefaultDirectories(DWORD flags) {
    return flags == 0x00001000;
}

TEST(RestrictDllSearch, WithoutDefaultDirectoriesTheCurrentDirectoryIsLeftOut) {
    g_dllDirectories.clear();
    EXPECT_TRUE(fw::RestrictDllSearchWith(nullptr, RecordDllDirectory));
    EXPECT_TRUE(fw::RestrictDllSearchWith(RefuseDefaultDirectories, RecordDllDirectory));
    EXPECT_EQ(g_dllDirectories, (std::vector<std::wstring>{L"", L""}));
    g_dllDirectories.clear();
    EXPECT_TRUE(fw::RestrictDllSearchWith(AcceptDefaultDirectories, RecordDllDirectory));
    EXPECT_TRUE(g_dllDirectories.empty());
    // 5.1 before SP1: nothing to call, no crash, and the caller learns that nothing was restricted.
    EXPECT_FALSE(fw::RestrictDllSearchWith(nullptr, nullptr));
}

// Ends by restricting the DLL search of the whole test process for good (the platform has no way back);
// nothing else here loads a library by its bare name.
TEST(RestrictDllSearch, ALibraryInTheCurrentDirectoryIsNoLongerLoadedByName) {
    const std::wstring folder = e2e::MakeSandbox(L"planted");
    ASSERT_TRUE(e2e::CopyFileTo(e2e::DistDir() + L"sim\\KOLU3.DLL", folder + L"cvplanted.dll"));

    const CurrentFolderRestorer restorer;
    ASSERT_TRUE(::SetCurrentDirectoryW(folder.c_str()));
    auto loadsPlanted = [] {
        HMODULE module = ::LoadLibraryW(L"cvplanted.dll");
        if (module) ::FreeLibrary(module);
        return module != nullptr;
    };
    ASSERT_TRUE(loadsPlanted()) << "the platform's search does not look in the current directory here";

    ASSERT_TRUE(fw::RestrictDllSearch());
    EXPECT_FALSE(loadsPlanted());
    // The system's own libraries are still found by name.
    EXPECT_NE(nullptr, ::LoadLibraryW(L"powrprof.dll"));
}

}  // namespace
