# The settings program's pure rules: language code, supported systems, firmware status texts.
corvane_fuzz_target(settings_rules ${CMAKE_CURRENT_LIST_DIR}/settings_rules_fuzz.cpp
    ${CORVANE_SOURCE_DIR}/settings/LanguageCode.cpp ${CORVANE_SOURCE_DIR}/settings/OsRule.cpp
    ${CORVANE_SOURCE_DIR}/settings/firmware/StatusTexts.cpp)
include(${CORVANE_SOURCE_DIR}/cmake/Languages.cmake)
corvane_language_table(${CMAKE_CURRENT_BINARY_DIR}/generated/SupportedLanguages.inc)
target_include_directories(settings_rules_fuzz PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/generated)
