# What an installation holds beyond the program (installed by its platform's
# CMakeLists.txt), and the package CPack makes of it: a .deb on Linux, a .zip
# of Velkor.exe and its readme in the Windows cross build.
#
#   cmake --build build --target package      # build/velkor_1.01_amd64.deb
#   cmake --build build/windows --target package   # Velkor-1.01-win64.zip

set(VELKOR_PACKAGE_MAINTAINER "Velkor developers <developers@velkor.invalid>" CACHE STRING
  "Maintainer named in the packages")

set(CPACK_PACKAGE_NAME velkor)
set(CPACK_PACKAGE_VENDOR Velkor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VELKOR_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "shows the aspect ratio of the screen")
# Wrapped for the package's control file, where lines stay under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION "\
Velkor measures the primary display's size in pixels, divides width by
height in 80-bit extended arithmetic and shows the ratio, with its
whole-number forms m:n for m = 1 to 32, in one information box, in
English or Swedish.")
set(CPACK_STRIP_FILES ON)

if(NOT WIN32)
  include(GNUInstallDirs)
  install(FILES ${PROJECT_SOURCE_DIR}/data/velkor.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/velkor.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

  # Debian ships manual pages compressed, without a name or time stamp in the
  # gzip header so that the package is the same on every build.
  find_program(VELKOR_GZIP gzip REQUIRED)
  set(velkor_manual ${CMAKE_CURRENT_BINARY_DIR}/velkor.1.gz)
  add_custom_command(OUTPUT ${velkor_manual}
    COMMAND ${VELKOR_GZIP} -9 -n -c ${PROJECT_SOURCE_DIR}/data/velkor.1 > ${velkor_manual}
    DEPENDS ${PROJECT_SOURCE_DIR}/data/velkor.1
    COMMENT "Compressing the manual page")
  add_custom_target(velkor_manual ALL DEPENDS ${velkor_manual})
  install(FILES ${velkor_manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VELKOR_PACKAGE_MAINTAINER})
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The dependencies are what the program links, as dpkg-shlibdeps finds them.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  # In the zip the program and its readme sit side by side, not under bin/:
  # a component of their own, left out of a plain `cmake --install`.
  install(TARGETS velkor RUNTIME DESTINATION . COMPONENT windows_zip EXCLUDE_FROM_ALL)
  install(FILES ${PROJECT_SOURCE_DIR}/data/README-Windows.txt DESTINATION . RENAME README.txt
    COMPONENT windows_zip EXCLUDE_FROM_ALL)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL windows_zip)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_PACKAGE_FILE_NAME Velkor-${PROJECT_VERSION}-win64)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
endif()

include(CPack)

if(VELKOR_TESTS)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/install ${CMAKE_BINARY_DIR}/tests/install)
endif()
