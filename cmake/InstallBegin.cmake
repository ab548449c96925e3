# Runs first in `cmake --install` of the program folder (see ProgramFolderInstall.cmake).
set(_folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(_probe "${_folder}/${PLATORIS_VERSION_STAMP}.probe")
execute_process(COMMAND ${CMAKE_COMMAND} -E make_directory "${_folder}"
                RESULT_VARIABLE _made ERROR_QUIET)
execute_process(COMMAND ${CMAKE_COMMAND} -E touch "${_probe}"
                RESULT_VARIABLE _written ERROR_QUIET)
if(NOT _made EQUAL 0 OR NOT _written EQUAL 0)
  message(FATAL_ERROR "Cannot write the program folder ${_folder}: nothing was installed. "
                      "Choose a folder you may write, or create it with the right owner.")
endif()
file(REMOVE "${_probe}" "${_folder}/${PLATORIS_VERSION_STAMP}")
