# Runs last in `cmake --install` of the program folder (see ProgramFolderInstall.cmake):
# writes the version stamp, the project's version and a digest of every file installed
# (path in the folder and content), so that any change of the program gives a new stamp.
set(_folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(_list "")
foreach(_file IN LISTS CMAKE_INSTALL_MANIFEST_FILES)
  file(SHA256 "$ENV{DESTDIR}${_file}" _digest)
  file(RELATIVE_PATH _name "${CMAKE_INSTALL_PREFIX}" "${_file}")
  string(APPEND _list "${_digest} ${_name}\n")
endforeach()
string(SHA256 _digest "${_list}")
file(WRITE "${_folder}/${PLATORIS_VERSION_STAMP}.new" "platoris ${PLATORIS_STAMP_VERSION} ${_digest}\n")
file(RENAME "${_folder}/${PLATORIS_VERSION_STAMP}.new" "${_folder}/${PLATORIS_VERSION_STAMP}")
