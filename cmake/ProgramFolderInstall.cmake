# `cmake --install <build> --prefix DIR` lays out a complete program folder in DIR: the
# executable, RAR.EXE, tabletool, Template/, Help/ (once the build lays it out) and the
# program's picture, each installed by a rule beside the target that makes it, and the
# version stamp, written last (cmake/Packaging.cmake). The program's data folders DIR/Data
# and DIR/Sprav are never installed, created, changed or deleted.
#
# Every rule goes into the component "program" unless it names another one.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME program)

# The file that names the installed version; the launcher compares it (tools/launcher).
set(PLATORIS_VERSION_STAMP .platoris-version)

# First of all: a folder that cannot be written is refused with a clear message before
# anything is installed, and the old stamp goes, so that a folder whose install was
# interrupted carries none and is not taken for a whole version.
install(CODE "set(PLATORIS_VERSION_STAMP ${PLATORIS_VERSION_STAMP})")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/InstallBegin.cmake)

install(FILES ${PROJECT_SOURCE_DIR}/data/icons/platoris.png DESTINATION .)
# The help pages as the build lays them out.
install(DIRECTORY ${PLATORIS_PROGRAM_DIR}/Help DESTINATION . OPTIONAL)
