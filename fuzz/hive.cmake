# The simulated machine's reader of power scheme files (registry hives), which takes any file it is given.
corvane_fuzz_target(hive hive_fuzz.cpp ${CORVANE_SOURCE_DIR}/sim/common/hive.cpp
                    ${CORVANE_SOURCE_DIR}/sim/common/plan_file.cpp)
