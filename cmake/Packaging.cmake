# The last rule of the program folder, and the Debian package.

# The version stamp goes last, once every file of the program folder is in place.
install(CODE "set(PLATORIS_STAMP_VERSION ${PROJECT_VERSION})")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/WriteVersionStamp.cmake)

# `cpack -G DEB` in the build folder (or scripts/package) makes platoris_<version>_<arch>.deb:
# the program folder in /opt/platoris with the launcher beside it (component launcher), and
# the command platoris on PATH, the desktop menu entry, the picture, the manual page and the
# package's documents (component system). Both components are left out of a plain
# `cmake --install`, which lays out the program folder alone.
set(PLATORIS_PACKAGE_DIR /opt/platoris)
set(PLATORIS_PACKAGE_MAINTAINER "Platoris maintainers <maintainers@users.noreply.c-seed-806b9faa.example>"
    CACHE STRING "Maintainer named in the Debian package")
set(_made ${CMAKE_BINARY_DIR}/packaging)
set(_from ${PROJECT_SOURCE_DIR}/packaging)
set(_system COMPONENT system EXCLUDE_FROM_ALL)

file(MAKE_DIRECTORY ${_made})
get_target_property(_launcher platoris_launcher OUTPUT_NAME)
file(CREATE_LINK ${PLATORIS_PACKAGE_DIR}/${_launcher} ${_made}/platoris SYMBOLIC)
install(FILES ${_made}/platoris DESTINATION /usr/bin ${_system})

set(PLATORIS_DESKTOP_EXEC platoris)
set(PLATORIS_DESKTOP_ICON platoris)
configure_file(${_from}/platoris.desktop.in ${_made}/platoris.desktop @ONLY)
install(FILES ${_made}/platoris.desktop DESTINATION /usr/share/applications ${_system})
install(FILES ${PROJECT_SOURCE_DIR}/data/icons/platoris.png
        DESTINATION /usr/share/icons/hicolor/256x256/apps ${_system})

# Documents compressed as Debian wants them (gzip -9n: no name or time inside).
string(TIMESTAMP PLATORIS_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${_from}/changelog.in ${_made}/changelog @ONLY)
configure_file(${_from}/platoris.1 ${_made}/platoris.1 COPYONLY)
foreach(_doc changelog platoris.1)
  execute_process(COMMAND gzip -9nc ${_made}/${_doc} OUTPUT_FILE ${_made}/${_doc}.gz
                  RESULT_VARIABLE _zipped)
  if(NOT _zipped EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${_made}/${_doc}")
  endif()
endforeach()
install(FILES ${_made}/changelog.gz ${_from}/copyright DESTINATION /usr/share/doc/platoris ${_system})
install(FILES ${_made}/platoris.1.gz DESTINATION /usr/share/man/man1 ${_system})
install(FILES ${_from}/lintian-overrides DESTINATION /usr/share/lintian/overrides
        RENAME platoris ${_system})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME platoris)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Platoris")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "daily register of a plant's current payments")
set(CPACK_PACKAGE_DESCRIPTION
    "The program with which the finance office of a plant keeps its daily
register of current payments: for the chosen day every planned expense and
expected income, the opening balance at each bank and the expected balance at
the end of the day, with printing, export of the register, reference
directories and dispatch of the day's tables to head office. Its data are
dBase and Paradox tables in each user's own program folder, ~/Platoris.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PLATORIS_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links, as dpkg-shlibdeps finds them (Qt 6, pxlib, libarchive,
# libxlsxwriter for the workbook export, zlib and the runtimes; naming one here as well would
# put it twice into the package's Depends), and Qt's Russian catalogue for the texts of Qt's
# own dialogs, which no library links.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Metric-compatible stand-ins for the fonts the printouts name.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${PLATORIS_PACKAGE_DIR})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL program launcher system)
include(CPack)
