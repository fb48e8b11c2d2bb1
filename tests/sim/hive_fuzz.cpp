// Any bytes given to the plan-file reader end in a plan or in one fault line: never a crash, a hang or
// unbounded memory (the sanitizers and libFuzzer's time-out and memory limit watch for those).
#include <sim/common/hive.h>
#include <sim/common/plan_file.h>

#include <cstdlib>

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool oneLine(const std::string& text) {
    return !text.empty() && text.find_first_of("\r\n") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const sim::hive::Result hive = sim::hive::read(data, size);
    check(hive.fault == sim::hive::Fault::None ? hive.message.empty() : oneLine(hive.message));

    const sim::plan::Result plan = sim::plan::read(data, size);
    if (plan.outcome == sim::plan::Result::Imported) {
        check(hive.fault == sim::hive::Fault::None && plan.message.empty() && !plan.plan.name.empty());
        check(plan.plan.acPersonality <= sim::plan::kBalanced &&
              plan.plan.dcPersonality <= sim::plan::kBalanced);
        for (const auto& s : plan.plan.settings) {
            check(sim::plan::isGuidText(s.setting) &&
                  (s.subgroup.empty() || sim::plan::isGuidText(s.subgroup)));
            check(s.hasAc || s.hasDc);
        }
        sim::plan::displayName(plan.plan.name);
    } else {
        check(oneLine(plan.message));
        check((plan.outcome == sim::plan::Result::Damaged) == (hive.fault != sim::hive::Fault::None));
        check(plan.plan.settings.empty());
    }
    return 0;
}
