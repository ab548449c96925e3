# The last rule of the program folder.

# The version stamp goes last, once every file of the program folder is in place.
install(CODE "set(PLATORIS_STAMP_VERSION ${PROJECT_VERSION})")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/WriteVersionStamp.cmake)
