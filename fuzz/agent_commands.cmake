# The agent's tool command lines, the rules that keep text between their quotes inert, and the task
# definition's command.
corvane_fuzz_target(agent_commands ${CMAKE_CURRENT_LIST_DIR}/agent_commands_fuzz.cpp
    ${CORVANE_SOURCE_DIR}/agent/CommandLines.cpp ${CORVANE_SOURCE_DIR}/agent/CommandTail.cpp
    ${CORVANE_SOURCE_DIR}/agent/GuidText.cpp ${CORVANE_SOURCE_DIR}/agent/TaskDefinition.cpp
    ${CORVANE_SOURCE_DIR}/framework/text.cpp)
