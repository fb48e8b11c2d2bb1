# Authenticode signing of what ships, with cmake/sign-file. A tree configured with CORVANE_SIGN_PFX signs a
# program in the same build step that links it, and the package in the step that makes it: no unsigned copy
# of either is ever left for a later build to take as done, and a step whose signing fails leaves no output
# behind (make deletes it), so the next build tries again. A step's commands are part of what the build
# compares, so switching a tree between signed and unsigned, or to another certificate or time-stamping
# service, remakes what is signed; so does a new certificate file in the same place. The key's password is
# taken from the environment (CORVANE_SIGN_PASSWORD) when a step runs, and is never stored in the tree.
set(CORVANE_SIGN_PFX "" CACHE FILEPATH
    "PKCS#12 file with the maker's code-signing certificate and key; empty for an unsigned build")
set(CORVANE_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamping service for the signatures (optional)")
option(CORVANE_RELEASE "A release build: its signatures must carry a time stamp" OFF)
if(CORVANE_RELEASE AND NOT (CORVANE_SIGN_PFX AND CORVANE_SIGN_TIMESTAMP_URL))
    message(FATAL_ERROR "A release build is signed and time-stamped: CORVANE_SIGN_PFX and "
                        "CORVANE_SIGN_TIMESTAMP_URL must both be set")
endif()

set(_corvane_sign_command)
if(CORVANE_SIGN_PFX)
    set(_corvane_sign_command
        ${CMAKE_COMMAND} -E env CORVANE_SIGN_PFX=${CORVANE_SIGN_PFX}
        CORVANE_SIGN_TIMESTAMP_URL=${CORVANE_SIGN_TIMESTAMP_URL} CORVANE_SIGN_RELEASE=$<BOOL:${CORVANE_RELEASE}>
        sh ${CMAKE_CURRENT_LIST_DIR}/sign-file)
endif()

# Signs an executable target's file as part of its link step.
function(corvane_sign_program target)
    if(_corvane_sign_command)
        set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${CORVANE_SIGN_PFX})
        add_custom_command(TARGET ${target} POST_BUILD
                           COMMAND ${_corvane_sign_command} $<TARGET_FILE:${target}> VERBATIM)
    endif()
endfunction()

# Signs the output of a custom command (defined before, in the same directory) as its last step.
function(corvane_sign_output output)
    if(_corvane_sign_command)
        add_custom_command(OUTPUT ${output} APPEND COMMAND ${_corvane_sign_command} ${output}
                           DEPENDS ${CORVANE_SIGN_PFX})
    endif()
endfunction()
