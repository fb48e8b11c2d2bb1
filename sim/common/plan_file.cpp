// Power scheme files: the root key holds FriendlyName and Description; below it subgroup keys hold setting
// keys, and settings that belong to no subgroup sit right below the root. A setting key holds
// ACSettingIndex and/or DCSettingIndex, 32-bit numbers stored as REG_DWORD (or as REG_NONE of 4 bytes). One
// setting of no subgroup, the personality, names the Windows plan the file is based on.
#include "plan_file.h"

#include "hive.h"

namespace sim {
namespace plan {

namespace {

const char16_t kPersonality[] = u"245d8541-3943-4422-b025-13a784f679b7";

std::u16string lowerAscii(std::u16string s) {
    for (auto& c : s)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return s;
}

// A name from the file as it may appear in a one-line message.
std::string printable(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) {
        if (out.size() == 60) return out + "...";
        out.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
    }
    return out;
}

bool text(const hive::Value& v, std::u16string& out) {
    if ((v.type != hive::kString && v.type != hive::kExpandString) || v.data.size() % 2) return false;
    out.clear();
    for (size_t i = 0; i < v.data.size(); i += 2) {
        auto c = static_cast<char16_t>(v.data[i] | v.data[i + 1] << 8);
        if (c == 0) break;
        out.push_back(c);
    }
    return true;
}

bool index(const hive::Value* v, bool& present, uint32_t& out) {
    present = v != nullptr;
    if (!v) return true;
    if ((v->type != hive::kDword && v->type != hive::kNone) || v->data.size() != 4) return false;
    out = static_cast<uint32_t>(v->data[0]) | static_cast<uint32_t>(v->data[1]) << 8 |
          static_cast<uint32_t>(v->data[2]) << 16 | static_cast<uint32_t>(v->data[3]) << 24;
    return true;
}

class PlanReader {
public:
    explicit PlanReader(Result& result) : r_(result) {}

    bool fail(const std::string& message) {
        r_.outcome = Result::NotAPlan;
        r_.message = message;
        r_.plan = Plan();
        return false;
    }

    bool root(const hive::Key& root) {
        const hive::Value* name = root.value(u"FriendlyName");
        if (!name || !text(*name, r_.plan.name) || r_.plan.name.empty())
            return fail("the plan has no name (no FriendlyName text in its root key)");
        const hive::Value* description = root.value(u"Description");
        if (description && !text(*description, r_.plan.description))
            return fail("the plan's Description is not text");
        for (const hive::Key& key : root.subkeys) {
            if (!isGuidText(key.name))
                return fail("key \"" + printable(key.name) + "\" of the plan is not named by a GUID");
            if (key.subkeys.empty()) {
                if (!setting(u"", key)) return false;
                continue;
            }
            for (const hive::Key& sub : key.subkeys)
                if (!setting(key.name, sub)) return false;
        }
        return personality();
    }

private:
    // The personality, when the file has one: 0, 1 or 2 on each source it gives.
    bool personality() {
        for (const Setting& s : r_.plan.settings) {
            if (!s.subgroup.empty() || s.setting != kPersonality) continue;
            const uint32_t ac = s.hasAc ? s.ac : s.dc;
            const uint32_t dc = s.hasDc ? s.dc : s.ac;
            for (const uint32_t index : {ac, dc})
                if (index > kBalanced)
                    return fail("the plan's personality " + std::to_string(index) + " names no Windows plan");
            r_.plan.acPersonality = static_cast<Personality>(ac);
            r_.plan.dcPersonality = static_cast<Personality>(dc);
        }
        return true;
    }

    bool setting(const std::u16string& subgroup, const hive::Key& key) {
        const std::string where = "setting " + printable(key.name);
        if (!isGuidText(key.name))
            return fail("key \"" + printable(key.name) + "\" of the plan is not named by a GUID");
        if (!key.subkeys.empty()) return fail(where + " holds keys of its own");
        Setting s;
        if (!index(key.value(u"ACSettingIndex"), s.hasAc, s.ac))
            return fail("ACSettingIndex of " + where + " is not a 32-bit number");
        if (!index(key.value(u"DCSettingIndex"), s.hasDc, s.dc))
            return fail("DCSettingIndex of " + where + " is not a 32-bit number");
        if (!s.hasAc && !s.hasDc) return true;  // an empty subgroup, or a setting without values
        s.subgroup = lowerAscii(subgroup);
        s.setting = lowerAscii(key.name);
        r_.plan.settings.push_back(s);
        return true;
    }

    Result& r_;
};

}  // namespace

bool isGuidText(const std::u16string& text) {
    if (text.size() != 36) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hexDigit =
            (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (dash ? c != u'-' : !hexDigit) return false;
    }
    return true;
}

std::u16string displayName(const std::u16string& stored) {
    if (stored.empty() || stored[0] != u'@') return stored;
    const size_t first = stored.find(u',');
    const size_t second = first == std::u16string::npos ? first : stored.find(u',', first + 1);
    return second == std::u16string::npos ? stored : stored.substr(second + 1);
}

Result read(const uint8_t* data, size_t size) {
    Result result;
    if (size > kMaxFileSize) {
        result.outcome = Result::NotAPlan;
        result.message = "the file is too large to be a power scheme file";
        return result;
    }
    hive::Result hive = hive::read(data, size);
    if (hive.fault != hive::Fault::None) {
        result.outcome = Result::Damaged;
        result.message = hive.message;
        return result;
    }
    PlanReader(result).root(hive.root);
    return result;
}

}  // namespace plan
}  // namespace sim
