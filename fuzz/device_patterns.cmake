# How a list.ini entry names devices, and how a device's display name is taken from its description.
corvane_fuzz_target(device_patterns ${CMAKE_CURRENT_LIST_DIR}/device_patterns_fuzz.cpp
    ${CORVANE_SOURCE_DIR}/agent/DevicePatterns.cpp)
