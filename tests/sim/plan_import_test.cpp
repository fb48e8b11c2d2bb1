// The simulated machine's power scheme files: a file shaped like a Windows export and damaged files, imported
// with its "powercfg -import" into its store. The shipped plan's import is the agent's tests' part.
#include <gtest/gtest.h>

#include <e2e.h>
#include <machine.h>

#include <cstdio>
#include <functional>
#include <set>

using namespace e2e;
using namespace machine;

namespace {

const wchar_t kImportPrefix[] = L"powercfg.exe -import ";
const char kRefused[] = "Unable to import the power scheme: ";
const std::set<std::wstring> kSeededSchemes = {kBalanced, kHighPerformance, kPowerSaver};

std::set<std::wstring> Schemes() {
    const auto keys = reg::SubKeys(HKEY_LOCAL_MACHINE, kSchemesKey);
    return {keys.begin(), keys.end()};
}

std::optional<DWORD> Index(const std::wstring& scheme, const std::wstring& key, const wchar_t* name) {
    return reg::GetDword(HKEY_LOCAL_MACHINE, std::wstring(kSchemesKey) + L"\\" + scheme + L"\\" + key, name);
}

// The folder of the test program (trailing backslash), where the build puts windows-export.pow.
std::wstring DataDir() {
    std::wstring path(32768, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// A hive file to damage: 32-bit fields by file offset, and the base block's checksum made right again.
struct Hive {
    std::string bytes;

    uint32_t Get(size_t at) const {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(bytes.at(at + i));
        return v;
    }
    void Set(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<char>(v >> (8 * i));
    }
    void FixChecksum() {
        uint32_t sum = 0;
        for (size_t at = 0; at < 0x1FC; at += 4) sum ^= Get(at);
        Set(0x1FC, sum);
    }
    // File offsets: cells count from the first hive bin at 4096 and begin with their 4-byte size.
    static size_t Cell(uint32_t offset) { return 4096 + offset; }
    uint32_t RootSubkeyList() const { return Get(Cell(0x20) + 4 + 0x1C); }
    // The personality's indexes live in place in its values' data fields, 12 bytes before each value's name
    // (the values of a key follow the key's name). Like every edit, it throws when the file has no such
    // place.
    void SetPersonality(uint32_t ac, uint32_t dc) {
        const size_t key = PersonalityKey();
        Set(bytes.find("ACSettingIndex", key) - 12, ac);
        Set(bytes.find("DCSettingIndex", key) - 12, dc);
    }
    size_t PersonalityKey() const { return bytes.find(Narrow(kPersonality)); }
};

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", v);
    return text;
}

class PlanImport : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RunConsole(L"powercfg.exe -seed"), 0u) << "the simulated powercfg is not installed";
        m_dir = MakeSandbox(L"plan-import");
    }
    void TearDown() override { EXPECT_EQ(RunConsole(L"powercfg.exe -seed"), 0u); }

    // Runs the simulated powercfg -import; returns its exit code and leaves its output in m_output.
    DWORD Import(const std::wstring& arguments) { return RunConsole(kImportPrefix + arguments, &m_output); }

    std::wstring m_dir;
    std::string m_output;
};

TEST_F(PlanImport, WindowsExportImportsWithItsPeculiarities) {
    const std::wstring file = DataDir() + L"windows-export.pow";
    const std::wstring guid = L"11111111-2222-3333-4444-555555555555";
    ASSERT_EQ(Import(L"\"" + file + L"\" " + guid), 0u) << m_output;
    EXPECT_EQ(m_output, "Imported Power Scheme Successfully. GUID: 11111111-2222-3333-4444-555555555555\n");

    // The store keeps the indirect name as it is; powercfg shows the text after the second comma.
    EXPECT_EQ(reg::GetString(HKEY_LOCAL_MACHINE, std::wstring(kSchemesKey) + L"\\" + guid, L"FriendlyName"),
              L"@%SystemRoot%\\system32\\powrprof.dll,-19,Ultimate Performance");
    std::string list;
    ASSERT_EQ(RunConsole(L"powercfg.exe -list", &list), 0u);
    EXPECT_NE(list.find("Power Scheme GUID: 11111111-2222-3333-4444-555555555555  (Ultimate Performance)\n"),
              std::string::npos)
        << list;

    // A setting of no subgroup stays right below the plan, and powercfg shows it as Windows does.
    EXPECT_EQ(Index(guid, L"0e796bdb-100d-47d6-a2d5-f7d2daa51f51", L"ACSettingIndex"), 0u);
    EXPECT_EQ(Index(guid, L"0e796bdb-100d-47d6-a2d5-f7d2daa51f51", L"DCSettingIndex"), 1u);
    std::string query;
    ASSERT_EQ(RunConsole(L"powercfg.exe -query " + guid, &query), 0u);
    EXPECT_NE(query.find("  Subgroup GUID: fea3413e-7e05-4911-9a71-700331f1c294  (Settings belonging to no "
                         "subgroup)\n    Power Setting GUID: 0e796bdb-100d-47d6-a2d5-f7d2daa51f51  (Require "
                         "a password on wakeup)\n"),
              std::string::npos)
        << query;
    EXPECT_NE(query.find("Description: Provides ultimate performance on higher end PCs.\n"),
              std::string::npos);

    // An index stored as REG_NONE; a key with only an AC value takes DC from High performance, which the
    // personality names (Balanced's would be 300); the rest is High performance's.
    EXPECT_TRUE(SchemeHolds(
        guid, {
                  {L"", kPersonality, 1, 1},
                  {kProcessorSubgroup, L"893dee8e-2bef-41e0-89c6-b55d0929964c", 100, 100},
                  {kDisplaySubgroup, kDisplayOff, 0, 600},
                  {L"238c9fa8-0aad-41ed-83f4-97be242c8f20", L"29f6c1db-86da-48c5-9fdb-f2b67b1f44da", 0, 0},
                  {L"238c9fa8-0aad-41ed-83f4-97be242c8f20", L"9d7815a6-7ee4-497e-8888-515a05f02364", 0, 1080},
                  {kButtonsSubgroup, L"7648efa3-dd9c-4e3e-b566-50f929386280", 3, 3},
              }));
}

TEST_F(PlanImport, WhatAFileLeavesOutComesFromThePlanItsPersonalityNames) {
    const std::wstring guid = L"11111111-2222-3333-4444-555555555555";
    const std::wstring display = std::wstring(kDisplaySubgroup) + L"\\" + kDisplayOff;
    const std::optional<std::string> exported = ReadFileBytes(DataDir() + L"windows-export.pow");
    ASSERT_TRUE(exported);
    // The battery's display time, which the file leaves out: Power saver 120, Balanced 300 (also for a file
    // without a personality: its key renamed here). Windows' own exports may name one plan on mains and
    // another on battery; the battery's values are the battery plan's.
    const struct {
        const char* name;
        std::function<void(Hive&)> edit;
        DWORD displayDc;
    } cases[] = {
        {"power saver", [](Hive& h) { h.SetPersonality(0, 0); }, 120},
        {"balanced", [](Hive& h) { h.SetPersonality(2, 2); }, 300},
        {"balanced on mains, power saver on battery", [](Hive& h) { h.SetPersonality(2, 0); }, 120},
        {"none", [](Hive& h) { h.bytes.at(h.PersonalityKey()) = '3'; }, 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Hive file{*exported};
        c.edit(file);
        ASSERT_TRUE(WriteTextFile(m_dir + L"based.pow", file.bytes));
        ASSERT_EQ(Import(L"\"" + m_dir + L"based.pow\" " + guid), 0u) << m_output;
        EXPECT_EQ(Index(guid, display, L"DCSettingIndex"), c.displayDc);
        EXPECT_EQ(Index(guid, display, L"ACSettingIndex"), 0u);  // the file's own value
    }
}

TEST_F(PlanImport, DamagedFilesAreRefusedWithOneLineAndCreateNothing) {
    const Hive good{ReadFileBytes(DataDir() + L"windows-export.pow").value_or("")};
    ASSERT_EQ(good.bytes.size(), 8192u);
    const uint32_t list = good.RootSubkeyList();

    struct Case {
        const char* name;
        Hive file;
        std::string fault;
    };
    std::vector<Case> cases;
    auto add = [&](const char* name, const std::function<void(Hive&)>& damage, std::string fault) {
        Hive h = good;
        damage(h);
        cases.push_back({name, h, std::move(fault)});
    };
    add(
        "not a hive", [](Hive& h) { h.bytes = "test scheme\r\n"; }, "the file is not a registry hive");
    add(
        "truncated", [](Hive& h) { h.bytes.resize(5000); },
        "the file is truncated: it holds 5000 bytes of the 8192 its base block announces");
    add(
        "wrong checksum", [](Hive& h) { h.bytes[0x30] ^= 0x41; }, "the checksum of the base block is wrong");
    add(
        "half written",
        [](Hive& h) {
            h.Set(8, 2);
            h.FixChecksum();
        },
        "the file was not completely written (its sequence numbers differ)");
    add(
        "no root key",
        [](Hive& h) {
            h.Set(0x24, 0xFFFFFFFF);
            h.FixChecksum();
        },
        "there is no root key (the base block names offset 0xFFFFFFFF)");
    add(
        "offset outside the file", [](Hive& h) { h.Set(Hive::Cell(0x20) + 4 + 0x1C, 0x7FFFFFF8); },
        "cell offset 0x7FFFFFF8 lies outside the file");
    add(
        "size outside the bin", [&](Hive& h) { h.Set(Hive::Cell(list), static_cast<uint32_t>(-0x10000)); },
        "the size of cell " + Hex(list) + " reaches outside its hive bin");
    // The root's subkey list names the root itself as its first subkey.
    add(
        "loop", [&](Hive& h) { h.Set(Hive::Cell(list) + 8, 0x20); },
        "cell 0x20 is reached twice (a loop in the key tree)");
    add(
        "no plan name", [](Hive& h) { h.bytes.at(h.bytes.find("FriendlyName")) = 'X'; },
        "the plan has no name (no FriendlyName text in its root key)");
    add(
        "personality of no plan", [](Hive& h) { h.SetPersonality(3, 3); },
        "the plan's personality 3 names no Windows plan");

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteTextFile(m_dir + L"damaged.pow", c.file.bytes));
        EXPECT_EQ(Import(m_dir + L"damaged.pow"), 1u);
        EXPECT_EQ(m_output, kRefused + c.fault + ".\n");
        EXPECT_EQ(Schemes(), kSeededSchemes);
    }

    // A file that is not there.
    EXPECT_EQ(Import(m_dir + L"missing.pow"), 1u);
    EXPECT_EQ(m_output.rfind(std::string(kRefused) + "the file cannot be read (", 0), 0u) << m_output;
    EXPECT_EQ(m_output.find('\n'), m_output.size() - 1) << m_output;
    EXPECT_EQ(Schemes(), kSeededSchemes);
}

}  // namespace
