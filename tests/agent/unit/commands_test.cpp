// The command lines the agent hands to cmd, its command-tail comparison and its locale test.
#include <gtest/gtest.h>
#include <windows.h>

#include <app.h>

#include <string>

#include "AgentCommand.h"
#include "CommandTail.h"
#include "FirstRun.h"

namespace {

const wchar_t kGuid[] = L"381b4222-f694-41f0-9685-ff5bb260df2e";

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

TEST(RenameCommand, IsBuiltPieceByPiece) {
    EXPECT_EQ(
        BuildRenameCommand(kGuid, L"Corvane Plan", L"Balanced for Corvane"),
        std::wstring(L"cmd /cpowercfg -changename ") + kGuid + L" \"Corvane Plan\" \"Balanced for Corvane\"");
}

TEST(RenameCommand, EmptyDescriptionAndEmptyGuidKeepTheirPlaces) {
    EXPECT_EQ(BuildRenameCommand(L"", L"N", L""), L"cmd /cpowercfg -changename  \"N\" \"\"");
}

TEST(RenameCommand, QuotesInNameOrDescriptionBecomeApostrophes) {
    const std::wstring line = BuildRenameCommand(kGuid, L"A\" & echo x> C:\\pwned.txt & \"", L"say \"hi\"");
    EXPECT_EQ(line, std::wstring(L"cmd /cpowercfg -changename ") + kGuid +
                        L" \"A' & echo x> C:\\pwned.txt & '\" \"say 'hi'\"");
    // Exactly the four quotes the command itself places.
    EXPECT_EQ(std::count(line.begin(), line.end(), L'"'), 4);
}

TEST(WakeCommand, QuotesTheNameAfterTheVerb) {
    EXPECT_EQ(BuildWakeCommand(L"Intel(R) Ethernet"),
              L"cmd.exe /cpowercfg.exe -deviceenablewake \"Intel(R) Ethernet\"");
}

TEST(WakeCommand, NamesWithQuotesOrNothingAreNotUsable) {
    EXPECT_TRUE(IsUsableDeviceName(L"Realtek & Co"));
    EXPECT_FALSE(IsUsableDeviceName(L""));
    EXPECT_FALSE(IsUsableDeviceName(L"NIC\" & echo x & \""));
    EXPECT_FALSE(IsUsableDeviceName(L"\""));
}

TEST(TaskCommands, CreateEndsWithABlankAndDeleteWithF) {
    EXPECT_EQ(
        BuildCreateTaskCommand(),
        L"cmd /cschtasks /create /XML \"%programFiles%\\Corvane\\Oskavel\\Oskavel.xml\" /tn \"Oskavel\" ");
    EXPECT_EQ(BuildDeleteTaskCommand(), L"cmd /cschtasks /Delete /tn \"Oskavel\" /F");
    EXPECT_EQ(ExpandCommand(BuildDeleteTaskCommand()), BuildDeleteTaskCommand());
}

TEST(TaskCommands, ProgramFilesIsExpandedInOurOwnEnvironment) {
    wchar_t programFiles[MAX_PATH] = L"";
    ASSERT_GT(::GetEnvironmentVariableW(L"ProgramFiles", programFiles, MAX_PATH), 0u);
    EXPECT_EQ(ExpandCommand(BuildCreateTaskCommand()),
              std::wstring(L"cmd /cschtasks /create /XML \"") + programFiles +
                  L"\\Corvane\\Oskavel\\Oskavel.xml\" /tn \"Oskavel\" ");
}

TEST(TaskCommands, ExpansionLongerThanTheFirstBufferIsKeptWhole) {
    const std::wstring longValue(1000, L'q');
    ASSERT_TRUE(::SetEnvironmentVariableW(L"OSKAVEL_TEST_LONG", longValue.c_str()));
    EXPECT_EQ(ExpandCommand(L"cmd /c[%OSKAVEL_TEST_LONG%]"), L"cmd /c[" + longValue + L"]");
    ::SetEnvironmentVariableW(L"OSKAVEL_TEST_LONG", nullptr);
}

TEST(RunAgentCommand, WaitsForTheChildAndReportsWhetherItStarted) {
    wchar_t temp[MAX_PATH] = L"";
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring marker = std::wstring(temp) + L"oskavel-run-test.txt";
    ::DeleteFileW(marker.c_str());
    EXPECT_TRUE(RunAgentCommand(L"cmd /cecho done> \"" + marker + L"\""));
    // The runner returns only after the child has ended, so the file is already there.
    EXPECT_NE(::GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES);
    ::DeleteFileW(marker.c_str());
    EXPECT_FALSE(RunAgentCommand(L"oskavel-no-such-program-here.exe"));
}

TEST(CommandTail, OnlyAsciiLettersFold) {
    EXPECT_TRUE(TailEquals(L"/install", L"/install"));
    EXPECT_TRUE(TailEquals(L"/INSTALL", L"/install"));
    EXPECT_TRUE(TailEquals(L"/UnInStAlL", L"/uninstall"));
    EXPECT_FALSE(TailEquals(L"/install ", L"/install"));
    EXPECT_FALSE(TailEquals(L"/install x", L"/install"));
    EXPECT_FALSE(TailEquals(L"/instal", L"/install"));
    EXPECT_FALSE(TailEquals(L"", L"/install"));
    EXPECT_FALSE(TailEquals(L"-install", L"/install"));
    EXPECT_FALSE(TailEquals(L"/\u0130NSTALL", L"/install"));  // dotted capital I is not ASCII
}

TEST(CommandTail, TailOfARealCommandLineKeepsTrailingBlanks) {
    EXPECT_TRUE(
        TailEquals(fw::CommandTail(L"\"C:\\Program Files\\a b\\Oskavel3.exe\"   /INSTALL"), L"/install"));
    EXPECT_TRUE(TailEquals(fw::CommandTail(L"Oskavel3.exe\t /install"), L"/install"));
    EXPECT_FALSE(TailEquals(fw::CommandTail(L"Oskavel3.exe /install "), L"/install"));
    EXPECT_FALSE(TailEquals(fw::CommandTail(L"\"C:\\x y\\Oskavel3.exe /install\""), L"/install"));
}

TEST(FirstRunLocale, OnlyUnitedStatesEnglishInAnyCase) {
    EXPECT_TRUE(IsUnitedStatesEnglish(L"en-US"));
    EXPECT_TRUE(IsUnitedStatesEnglish(L"EN-us"));
    EXPECT_FALSE(IsUnitedStatesEnglish(L"en-GB"));
    EXPECT_FALSE(IsUnitedStatesEnglish(L"en"));
    EXPECT_FALSE(IsUnitedStatesEnglish(L"en-US-x"));
    EXPECT_FALSE(IsUnitedStatesEnglish(L""));
}

}  // namespace

namespace {

TEST(RenameCommand, PercentBangAndControlCharactersBecomeBlanks) {
    EXPECT_EQ(
        BuildRenameCommand(kGuid, L"100% %PATH% !x!\r\nplan\x7F", L"tab\there\x85"),
        std::wstring(L"cmd /cpowercfg -changename ") + kGuid + L" \"100   PATH   x   plan \" \"tab here \"");
}

TEST(WakeCommand, NamesThatCmdWouldExpandOrSplitAreNotUsable) {
    for (const wchar_t* name : {L"NIC %PATH%", L"NIC !x!", L"NIC\r\necho", L"NIC\x1B", L"NIC\x9F"})
        EXPECT_FALSE(IsUsableDeviceName(name)) << Narrow(name);
    EXPECT_TRUE(IsUsableDeviceName(L"Intel(R) Ethernet & Co <2> ^|"));
}

TEST(ExpandedLines, KeepTheirQuotesOnlyWithPlainTextBetweenThem) {
    EXPECT_TRUE(QuotesHoldOnlyPlainText(
        L"cmd /cschtasks /create /XML \"C:\\Program Files\\Corvane\\Oskavel\\Oskavel.xml\" /tn \"Oskavel\" ",
        4));
    EXPECT_FALSE(QuotesHoldOnlyPlainText(L"cmd /cx \"C:\\Pro\" & calc & \"gram\" /tn \"Oskavel\" ", 4));
    EXPECT_FALSE(QuotesHoldOnlyPlainText(L"cmd /cx \"C:\\%ProgramFiles%\\x\" /tn \"Oskavel\" ", 4));
    EXPECT_TRUE(QuotesHoldOnlyPlainText(L"cmd /cx %outside% \"in\" /tn \"Oskavel\" ", 4));
}

TEST(ExpandedLines, OnlyCmdIsStartedFromTheSystemDirectory) {
    EXPECT_TRUE(StartsWithCmd(L"cmd /cpowercfg -changename"));
    EXPECT_TRUE(StartsWithCmd(L"CMD.EXE /cpowercfg.exe -deviceenablewake \"x\""));
    EXPECT_TRUE(StartsWithCmd(L"cmd"));
    EXPECT_FALSE(StartsWithCmd(L"cmdx /c"));
    EXPECT_FALSE(StartsWithCmd(L"C:\\windows\\system32\\cmd.exe /c"));
    EXPECT_FALSE(StartsWithCmd(L"oskavel-no-such-program-here.exe"));
}

}  // namespace
