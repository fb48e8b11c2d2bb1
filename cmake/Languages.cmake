# The settings program's languages, read from resources/settings/languages.txt (the one list of them).
#   corvane_languages(<out-var>)               the codes, in the list's order ("0401;0402;...")
#   corvane_language_table(<file>)             writes the C++ table LanguageCode.cpp includes
set(CORVANE_LANGUAGE_LIST ${CMAKE_CURRENT_LIST_DIR}/../resources/settings/languages.txt)

function(corvane_languages out)
    file(STRINGS ${CORVANE_LANGUAGE_LIST} lines REGEX "^[0-9A-F][0-9A-F][0-9A-F][0-9A-F]")
    set(codes)
    foreach(line IN LISTS lines)
        string(SUBSTRING "${line}" 0 4 code)
        list(APPEND codes ${code})
    endforeach()
    set(${out} ${codes} PARENT_SCOPE)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CORVANE_LANGUAGE_LIST})
endfunction()

function(corvane_language_table file)
    corvane_languages(codes)
    set(text "// Made by the build from resources/settings/languages.txt.\n")
    foreach(code IN LISTS codes)
        string(APPEND text "0x${code},\n")
    endforeach()
    file(CONFIGURE OUTPUT ${file} CONTENT "${text}" @ONLY)
endfunction()
