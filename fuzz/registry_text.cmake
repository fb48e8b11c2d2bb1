# Registry value data read as text, whatever its type or size.
corvane_fuzz_target(registry_text ${CMAKE_CURRENT_LIST_DIR}/registry_text_fuzz.cpp ${CORVANE_SOURCE_DIR}/framework/text.cpp)
