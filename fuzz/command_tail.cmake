# The command tail both programs take from their command line, and the agent's verb comparison.
corvane_fuzz_target(command_tail ${CMAKE_CURRENT_LIST_DIR}/command_tail_fuzz.cpp
    ${CORVANE_SOURCE_DIR}/framework/text.cpp ${CORVANE_SOURCE_DIR}/agent/CommandTail.cpp)
