// Which folders are inside the machine's program folders: the only ones from which the agent registers its
// logon task, which runs with the highest rights.
#include <gtest/gtest.h>
#include <windows.h>

#include "test_support.h"

#include <string>
#include <vector>

#include "ProgramFolders.h"

namespace {

TEST(ProgramFolders, AFolderIsInsideOnlyBelowAProgramFolderNameByName) {
    // As 64-bit Windows records them, whatever the agent's own registry view or environment says.
    const std::vector<std::wstring> folders = MachineProgramFolders();
    EXPECT_EQ(folders, (std::vector<std::wstring>{L"C:\\Program Files", L"C:\\Program Files (x86)"}));
    wchar_t shortName[MAX_PATH] = L"";
    ASSERT_GT(::GetShortPathNameW(L"C:\\Program Files (x86)\\Corvane", shortName, MAX_PATH), 0u);
    for (const std::wstring& inside :
         std::vector<std::wstring>{L"C:\\Program Files", L"c:\\PROGRAM FILES (X86)\\Corvane\\Oskavel\\",
                                   L"\\\\?\\C:\\Program Files\\Corvane\\", L"C:\\Program Files\\a\\..\\b\\",
                                   L"C:/Program Files//Corvane/", shortName})
        EXPECT_TRUE(IsInsideProgramFolders(inside, folders)) << e2e::Narrow(inside);
    for (const std::wstring& outside :
         std::vector<std::wstring>{L"C:\\Program Files Evil\\", L"C:\\Program Files (x86)x\\", L"C:\\",
                                   L"C:\\Program Files\\..\\Users\\", L"D:\\Program Files\\",
                                   L"\\\\server\\share\\Program Files\\", L"C:\\corvane-tests\\somewhere\\"})
        EXPECT_FALSE(IsInsideProgramFolders(outside, folders)) << e2e::Narrow(outside);
    EXPECT_FALSE(IsInsideProgramFolders(L"C:\\Program Files\\", {})) << "no program folder holds everything";
}

}  // namespace
