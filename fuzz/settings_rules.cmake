# The settings program's pure rules: language code, supported systems, firmware status texts.
corvane_fuzz_target(settings_rules ${CMAKE_CURRENT_LIST_DIR}/settings_rules_fuzz.cpp
    ${CORVANE_SOURCE_DIR}/settings/LanguageCode.cpp ${CORVANE_SOURCE_DIR}/settings/OsRule.cpp
    ${CORVANE_SOURCE_DIR}/settings/firmware/StatusTexts.cpp)
