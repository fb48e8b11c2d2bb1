# Whether a path lies inside a folder, as the agent decides where it may register its logon task from.
corvane_fuzz_target(path_within ${CMAKE_CURRENT_LIST_DIR}/path_within_fuzz.cpp
    ${CORVANE_SOURCE_DIR}/agent/PathWithin.cpp)
