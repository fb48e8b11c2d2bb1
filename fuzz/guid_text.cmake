# GUID text as the agent writes, reads and checks it.
corvane_fuzz_target(guid_text ${CMAKE_CURRENT_LIST_DIR}/guid_text_fuzz.cpp ${CORVANE_SOURCE_DIR}/agent/GuidText.cpp
    ${CORVANE_SOURCE_DIR}/framework/text.cpp)
