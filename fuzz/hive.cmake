# The simulated machine's reader of power scheme files (registry hives), which takes any file it is given.
corvane_fuzz_target(hive ${CORVANE_SOURCE_DIR}/tests/sim/hive_fuzz.cpp ${CORVANE_SOURCE_DIR}/sim/common/hive.cpp
                    ${CORVANE_SOURCE_DIR}/sim/common/plan_file.cpp)
