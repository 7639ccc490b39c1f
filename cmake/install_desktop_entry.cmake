# Install step: the menu entry, pointing at the installed program, and its icon.
# Needs FENDRIVAL_DATA_DIR (the source's data folder), FENDRIVAL_ENTRY_OUT (where the
# entry is made in the build folder) and CMAKE_INSTALL_PREFIX.
include("${CMAKE_CURRENT_LIST_DIR}/desktop_paths.cmake")

get_filename_component(_program "${CMAKE_INSTALL_PREFIX}/fendrival-setup" ABSOLUTE)
if(_program MATCHES "[\n\r]")
    message(FATAL_ERROR "A menu entry cannot start a program whose path holds a line break")
endif()
# Exec quoting: inside double quotes " ` $ \ take a backslash; then the value's own escape
# doubles every backslash, and % is doubled for the field codes.
string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" _quoted "${_program}")
string(REPLACE "\\" "\\\\" _quoted "${_quoted}")
string(REPLACE "%" "%%" _quoted "${_quoted}")
set(FENDRIVAL_EXEC "\"${_quoted}\"")

configure_file("${FENDRIVAL_DATA_DIR}/fendrival-setup.desktop.in" "${FENDRIVAL_ENTRY_OUT}" @ONLY)
get_filename_component(_entry_folder "${FENDRIVAL_DESKTOP_ENTRY}" DIRECTORY)
get_filename_component(_icon_folder "${FENDRIVAL_ICON}" DIRECTORY)
file(INSTALL "${FENDRIVAL_ENTRY_OUT}" DESTINATION "${_entry_folder}")
file(INSTALL "${FENDRIVAL_DATA_DIR}/fendrival-setup.svg" DESTINATION "${_icon_folder}")
