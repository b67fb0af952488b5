# The Python harnesses of the end-to-end and hardening suites hold their own
# tables of cases; CMake asks each for its list once, at configure time.
# Debian's own Python is the one with the accessibility bindings.
set(VELKOR_HARNESS_PYTHON /usr/bin/python3)

# Sets out to the harness's case names, or to nothing (with a note) where
# that Python is missing.
function(velkor_harness_cases out harness)
  if(NOT EXISTS ${VELKOR_HARNESS_PYTHON})
    message(STATUS "${harness} left out: ${VELKOR_HARNESS_PYTHON} not found")
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  execute_process(
    COMMAND ${VELKOR_HARNESS_PYTHON} ${harness} --list
    OUTPUT_VARIABLE cases
    OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE listed)
  if(NOT listed EQUAL 0)
    message(FATAL_ERROR "cannot list the cases of ${harness}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${harness})
  set(${out} ${cases} PARENT_SCOPE)
endfunction()
