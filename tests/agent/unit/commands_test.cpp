// The tool starts the agent makes, its command-tail comparison and its locale test.
#include <gtest/gtest.h>
#include <windows.h>

#include <framework/app.h>
#include "test_support.h"
#include <machine.h>
#include <framework/text.h>

#include <string>

#include "AgentCommand.h"
#include "CommandTail.h"
#include "FirstRun.h"
#include "TaskDefinition.h"

namespace {

using e2e::Narrow;

// Every line the agent starts: the system tool itself (never cmd, so no AutoRun and no search), and the
// arguments the tool received when cmd started it, byte for byte.
TEST(ToolCommands, EveryLineStartsItsSystemToolWithTheArgumentsItAlwaysHad) {
    const std::wstring guid = machine::kBalanced;
    const struct {
        ToolCommand command;
        ToolCommand expected;
    } cases[] = {
        {BuildRenameCommand(guid, L"Corvane Plan", L"Balanced for Corvane"),
         {L"powercfg.exe", L"powercfg -changename " + guid + L" \"Corvane Plan\" \"Balanced for Corvane\""}},
        {BuildRenameCommand(L"", L"N", L""), {L"powercfg.exe", L"powercfg -changename  \"N\" \"\""}},
        {BuildRenameCommand(guid, L"A\" & echo x> C:\\pwned.txt & \"", L"say \"hi\""),
         {L"powercfg.exe",
          L"powercfg -changename " + guid + L" \"A' & echo x> C:\\pwned.txt & '\" \"say 'hi'\""}},
        {BuildRenameCommand(guid, L"100% %PATH% !x!\r\nplan\x7F", L"tab\there\x85"),
         {L"powercfg.exe", L"powercfg -changename " + guid + L" \"100   PATH   x   plan \" \"tab here \""}},
        // A trailing backslash would swallow the closing quote; doubled, the tool reads it as one.
        {BuildRenameCommand(guid, L"Plan C:\\", L"\\\\"),
         {L"powercfg.exe", L"powercfg -changename " + guid + L" \"Plan C:\\\\\" \"\\\\\\\\\""}},
        {BuildWakeCommand(L"Intel(R) Ethernet"),
         {L"powercfg.exe", L"powercfg.exe -deviceenablewake \"Intel(R) Ethernet\""}},
        {BuildCreateTaskCommand(L"C:\\Program Files (x86)\\Corvane\\Oskavel\\Oskavel.xml").value(),
         {L"schtasks.exe",
          L"schtasks /create /XML \"C:\\Program Files (x86)\\Corvane\\Oskavel\\Oskavel.xml\" /tn \"Oskavel\" "
          L"/F"}},
        {BuildDeleteTaskCommand(), {L"schtasks.exe", L"schtasks /Delete /tn \"Oskavel\" /F"}},
    };
    const std::wstring system = fw::SystemDirectory();
    ASSERT_FALSE(system.empty());
    for (const auto& c : cases) {
        EXPECT_EQ(c.command, c.expected) << Narrow(c.command.commandLine);
        EXPECT_EQ(SystemToolPath(c.command), system + c.expected.tool);
    }
}

TEST(ToolCommands, DeviceNamesThatCouldEndTheirQuotesOrBeExpandedGetNoCommand) {
    EXPECT_TRUE(IsUsableDeviceName(L"Intel(R) Ethernet & Co <2> ^|"));
    EXPECT_TRUE(IsUsableDeviceName(L"NIC \\ 2"));
    for (const wchar_t* name : {L"", L"\"", L"NIC\" & echo x & \"", L"NIC %PATH%", L"NIC !x!", L"NIC\r\necho",
                                L"NIC\x1B", L"NIC\x9F", L"NIC\\", L"\\"})
        EXPECT_FALSE(IsUsableDeviceName(name)) << Narrow(name);
}

// The task definition names the agent by the path it is installed at; XML's own characters stay text.
TEST(TaskDefinition, TheCommandIsTheAgentsPathAsXmlText) {
    const std::wstring definition =
        L"<Task><Actions><Exec><Command>Oskavel3.exe</Command></Exec></Actions></Task>";
    EXPECT_EQ(TaskDefinitionWithCommand(definition, L"C:\\R&D <1>\\Oskavel3.exe"),
              L"<Task><Actions><Exec><Command>C:\\R&amp;D "
              L"&lt;1&gt;\\Oskavel3.exe</Command></Exec></Actions></Task>");
    EXPECT_EQ(TaskDefinitionWithCommand(L"<Task><Exec/></Task>", L"C:\\x.exe"), std::nullopt);
    EXPECT_EQ(TaskDefinitionWithCommand(L"<Command>open", L"C:\\x.exe"), std::nullopt);
    // No file's path holds a quote; a folder name ending its quotes early gets no command at all.
    EXPECT_EQ(BuildCreateTaskCommand(L"C:\\Pro\" & calc & \"gram\\Oskavel.xml"), std::nullopt);
}

TEST(RunAgentCommand, WaitsForTheSystemToolAndReportsWhetherItStarted) {
    wchar_t temp[MAX_PATH] = L"";
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring marker = std::wstring(temp) + L"oskavel-run-test.txt";
    ::DeleteFileW(marker.c_str());
    // cmd.exe here only as a system tool that leaves a trace; the agent itself never starts it.
    EXPECT_TRUE(RunAgentCommand({L"cmd.exe", L"cmd /d /cecho done> \"" + marker + L"\""}));
    // The runner returns only after the child has ended, so the file is already there.
    EXPECT_NE(::GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES);
    ::DeleteFileW(marker.c_str());
    EXPECT_FALSE(RunAgentCommand({L"oskavel-no-such-program-here.exe", L"x"}));
}

TEST(CommandTail, OnlyAsciiLettersFold) {
    EXPECT_TRUE(fw::EqualsFoldingAscii(L"/install", L"/install"));
    EXPECT_TRUE(fw::EqualsFoldingAscii(L"/INSTALL", L"/install"));
    EXPECT_TRUE(fw::EqualsFoldingAscii(L"/UnInStAlL", L"/uninstall"));
    EXPECT_FALSE(fw::EqualsFoldingAscii(L"/install ", L"/install"));
    EXPECT_FALSE(fw::EqualsFoldingAscii(L"/install x", L"/install"));
    EXPECT_FALSE(fw::EqualsFoldingAscii(L"/instal", L"/install"));
    EXPECT_FALSE(fw::EqualsFoldingAscii(L"", L"/install"));
    EXPECT_FALSE(fw::EqualsFoldingAscii(L"-install", L"/install"));
    EXPECT_FALSE(fw::EqualsFoldingAscii(L"/\u0130NSTALL", L"/install"));  // dotted capital I is not ASCII
}

TEST(CommandTail, ThePackageWordFollowsAVerbAfterOneBlank) {
    const struct {
        const wchar_t* tail;
        AgentVerb::Kind kind;
        bool package;
    } cases[] = {
        {L"/install", AgentVerb::kInstall, false},
        {L"/UNINSTALL", AgentVerb::kUninstall, false},
        {L"/install /package", AgentVerb::kInstall, true},
        {L"/Uninstall /PACKAGE", AgentVerb::kUninstall, true},
        {L"/install  /package", AgentVerb::kDefault, false},
        {L"/package", AgentVerb::kDefault, false},
        {L"/install /package ", AgentVerb::kDefault, false},
        {L"", AgentVerb::kDefault, false},
    };
    for (const auto& c : cases) {
        const AgentVerb verb = ReadAgentVerb(c.tail);
        EXPECT_EQ(verb.kind, c.kind) << Narrow(c.tail);
        EXPECT_EQ(verb.package, c.package) << Narrow(c.tail);
    }
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
