# The distribution: one portable program folder, packed by CPack.
#
#   kdimport-<version>-<system>/
#     kdimport, kdimport-cli        the window (when built) and the command line
#     translations/qtbase_de.qm     Qt's German texts for the Qt window's dialogs
#     BLZ_20170904.txt              the bank code list, opened by this name beside the programs
#     Anleitung.html                the guide for the payroll clerk, German, pictures inside
#     README.md, docs/              how to use it, with the first-start notes and pictures
#     samples/                      sample exports and a sample Kandrel data directory
#     man/man1/kdimport-cli.1       manual page of the command line (not on Windows)
#     kdimport.png, kdimport.desktop.in, install-desktop-entry.sh   desktop start (Linux)
#     licenses/                     licence texts of what is bundled
#
# Everything lies flat in one folder because the programs keep their settings file KDIMPORT.INI
# and look for the bank code list in their own folder: unpacked anywhere the user can write,
# the folder works as it is. `cmake --build <dir> --target package` makes the archive:
# .tar.gz on Linux, .zip on Windows.

set(KDIMPORT_PROGRAM_DIR .)

install(TARGETS kdimport-cli RUNTIME DESTINATION ${KDIMPORT_PROGRAM_DIR})
if(TARGET kdimport)
  install(TARGETS kdimport RUNTIME DESTINATION ${KDIMPORT_PROGRAM_DIR})
endif()
# Qt's German texts for the Qt window's own dialogs and buttons.
if(TARGET kdqtform AND KDIMPORT_QT_GERMAN)
  install(FILES ${KDIMPORT_QT_GERMAN} DESTINATION ${KDIMPORT_PROGRAM_DIR}/translations)
endif()

if(KDIMPORT_BANK_CODE_LIST)
  install(FILES ${KDIMPORT_BANK_CODE_LIST} DESTINATION ${KDIMPORT_PROGRAM_DIR}
          RENAME BLZ_20170904.txt)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${KDIMPORT_PROGRAM_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/samples/ DESTINATION ${KDIMPORT_PROGRAM_DIR}/samples)
# The guide's source and pictures stay out: Anleitung.html holds them.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${KDIMPORT_PROGRAM_DIR}/docs
        FILES_MATCHING PATTERN "*.md" PATTERN "*.png" PATTERN "anleitung" EXCLUDE)

# The guide Anleitung.html, one file with its style and pictures inside, made from the Markdown
# source in docs/anleitung/ by a CMake script, so that every build (the cross build too) makes
# it without further tools.
set(_kdimport_guide ${CMAKE_BINARY_DIR}/Anleitung.html)
set(_kdimport_guide_dir ${PROJECT_SOURCE_DIR}/docs/anleitung)
file(GLOB _kdimport_guide_pictures CONFIGURE_DEPENDS ${_kdimport_guide_dir}/*.png)
add_custom_command(
  OUTPUT ${_kdimport_guide}
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${_kdimport_guide_dir}/anleitung.md
          -DSTYLE=${_kdimport_guide_dir}/anleitung.css -DOUTPUT=${_kdimport_guide}
          -P ${PROJECT_SOURCE_DIR}/cmake/anleitung.cmake
  DEPENDS ${_kdimport_guide_dir}/anleitung.md ${_kdimport_guide_dir}/anleitung.css
          ${_kdimport_guide_pictures} ${PROJECT_SOURCE_DIR}/cmake/anleitung.cmake
  COMMENT "Anleitung.html"
  VERBATIM)
add_custom_target(kdimport-anleitung ALL DEPENDS ${_kdimport_guide})
install(FILES ${_kdimport_guide} DESTINATION ${KDIMPORT_PROGRAM_DIR})

# Licence texts of what the folder bundles: the bank code list always; on Windows also the C and
# C++ runtime that is linked into the programs. Taken from the packages they come from.
set(_kdimport_licenses ${PROJECT_SOURCE_DIR}/packaging/licenses/README.txt)
set(_kdimport_license_names README.txt)
if(KDIMPORT_BANK_CODE_LIST MATCHES "^/usr/share/ktoblzcheck/")
  list(APPEND _kdimport_licenses /usr/share/doc/libktoblzcheck1v5/copyright
       /usr/share/common-licenses/LGPL-2.1)
  list(APPEND _kdimport_license_names bank-code-list-copyright.txt LGPL-2.1.txt)
endif()
if(WIN32 AND CMAKE_CROSSCOMPILING)
  list(APPEND _kdimport_licenses /usr/share/doc/gcc-mingw-w64-base/copyright
       /usr/share/doc/mingw-w64-x86-64-dev/copyright /usr/share/common-licenses/GPL-3)
  list(APPEND _kdimport_license_names gcc-runtime-copyright.txt mingw-w64-runtime-copyright.txt
       GPL-3.txt)
endif()
foreach(_file _name IN ZIP_LISTS _kdimport_licenses _kdimport_license_names)
  if(EXISTS ${_file})
    install(FILES ${_file} DESTINATION ${KDIMPORT_PROGRAM_DIR}/licenses RENAME ${_name})
  else()
    message(WARNING "Licence text ${_file} not found; the archive will lack ${_name}")
  endif()
endforeach()

# The manual page, made from `kdimport-cli --help` after each build of the command line.
if(NOT WIN32)
  set(_kdimport_man ${CMAKE_BINARY_DIR}/man/man1/kdimport-cli.1)
  add_custom_command(
    OUTPUT ${_kdimport_man}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man/man1
    COMMAND ${CMAKE_COMMAND} -DCLI=$<TARGET_FILE:kdimport-cli> -DOUTPUT=${_kdimport_man}
            -DVERSION=${PROJECT_VERSION} -P ${PROJECT_SOURCE_DIR}/cmake/manpage.cmake
    DEPENDS kdimport-cli ${PROJECT_SOURCE_DIR}/cmake/manpage.cmake
    COMMENT "Manual page kdimport-cli.1"
    VERBATIM)
  add_custom_target(kdimport-cli-manpage ALL DEPENDS ${_kdimport_man})
  install(FILES ${_kdimport_man} DESTINATION ${KDIMPORT_PROGRAM_DIR}/man/man1)

  # Desktop start: the icon and a template that install-desktop-entry.sh fills with the folder
  # the archive was unpacked to (the working directory of a desktop start must be that folder).
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/kdimport.desktop.in
          DESTINATION ${KDIMPORT_PROGRAM_DIR})
  install(PROGRAMS ${PROJECT_SOURCE_DIR}/packaging/install-desktop-entry.sh
          DESTINATION ${KDIMPORT_PROGRAM_DIR})
  if(EXISTS ${PROJECT_SOURCE_DIR}/app/kdimport.png)
    install(FILES ${PROJECT_SOURCE_DIR}/app/kdimport.png DESTINATION ${KDIMPORT_PROGRAM_DIR})
  endif()
endif()

set(CPACK_PACKAGE_NAME kdimport)
set(CPACK_PACKAGE_VENDOR kdimport)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Takes over employee master data from German payroll programs into Kandrel")
if(WIN32)
  set(_kdimport_system windows-x64)
  set(CPACK_GENERATOR ZIP)
else()
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" _kdimport_system)
  set(CPACK_GENERATOR TGZ)
endif()
set(CPACK_PACKAGE_FILE_NAME kdimport-${PROJECT_VERSION}-${_kdimport_system})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)

# The archive is built, unpacked into a temporary folder, and its kdimport-cli converts every
# sample export there with the bundled bank code list.
if(KDIMPORT_BUILD_TESTS AND NOT WIN32)
  add_test(NAME distribution_archive
           COMMAND bash ${PROJECT_SOURCE_DIR}/packaging/check-archive.sh ${CMAKE_BINARY_DIR}
                   ${PROJECT_SOURCE_DIR})
  set_tests_properties(distribution_archive PROPERTIES TIMEOUT 600)
endif()
