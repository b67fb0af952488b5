# Builds the Windows zip with CPack and checks what it holds: Velkor.exe and
# README.txt side by side in one top folder, and nothing else.
#   cmake -DBUILD_DIR=... -DWORK=... -DVERSION=... -P WindowsZip.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(
  COMMAND ${CMAKE_CPACK_COMMAND} --config ${BUILD_DIR}/CPackConfig.cmake -G ZIP -B ${WORK}
  RESULT_VARIABLE built OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "cpack could not build the zip:\n${log}")
endif()
set(folder Velkor-${VERSION}-win64)
set(zip ${WORK}/${folder}.zip)
if(NOT EXISTS ${zip})
  message(FATAL_ERROR "no ${folder}.zip in ${WORK}:\n${log}")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${zip}
  RESULT_VARIABLE listed OUTPUT_VARIABLE entries)
string(REGEX REPLACE "\n$" "" entries "${entries}")
string(REPLACE "\n" ";" entries "${entries}")
list(FILTER entries EXCLUDE REGEX "/$")  # folders
list(SORT entries)
set(expected ${folder}/README.txt ${folder}/Velkor.exe)
if(NOT listed EQUAL 0 OR NOT entries STREQUAL expected)
  message(FATAL_ERROR "the zip holds '${entries}', expected '${expected}'")
endif()

file(MAKE_DIRECTORY ${WORK}/unpacked)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${zip} WORKING_DIRECTORY ${WORK}/unpacked
  RESULT_VARIABLE unpacked)
if(NOT unpacked EQUAL 0)
  message(FATAL_ERROR "the zip cannot be unpacked")
endif()
file(READ ${WORK}/unpacked/${folder}/Velkor.exe head LIMIT 2 HEX)
if(NOT head STREQUAL "4d5a")
  message(FATAL_ERROR "Velkor.exe in the zip is not a Windows program")
endif()
file(READ ${WORK}/unpacked/${folder}/README.txt readme)
if(NOT readme MATCHES "Velkor.exe" OR NOT readme MATCHES "/SWEDISH")
  message(FATAL_ERROR "README.txt does not tell how to run Velkor.exe")
endif()
message(STATUS "${folder}.zip holds ${entries}")
