# Unit test sources, shared by the native and the cross-compiled Windows builds.
set(VELKOR_DOUBLE_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ExtendedTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NumbersTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TextTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScanTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReportTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LanguageTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DisplayTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RunTest.cpp)
# Checks the software arithmetic against the x87 unit; compiles to nothing elsewhere.
set(VELKOR_CROSSCHECK_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/HardwareCrossCheckTest.cpp)
