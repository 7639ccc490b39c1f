# cmake -DPREFIX=<folder> -P uninstall.cmake: removes the program, its menu entry and its
# icon. The store beside the program (project.ini, Mail/, BAT/) and mail.jar are the
# user's data and stay; the folder goes only when nothing is left in it.
if(NOT PREFIX)
    message(FATAL_ERROR "PREFIX is not set")
endif()
include("${CMAKE_CURRENT_LIST_DIR}/desktop_paths.cmake")
get_filename_component(_prefix "${PREFIX}" ABSOLUTE)

foreach(_file "${_prefix}/fendrival-setup" "${FENDRIVAL_DESKTOP_ENTRY}" "${FENDRIVAL_ICON}")
    if(EXISTS "${_file}" OR IS_SYMLINK "${_file}")
        message(STATUS "Removing: ${_file}")
        file(REMOVE "${_file}")
    endif()
endforeach()

if(IS_DIRECTORY "${_prefix}/manual")
    message(STATUS "Removing: ${_prefix}/manual")
    file(REMOVE_RECURSE "${_prefix}/manual")
endif()

if(IS_DIRECTORY "${_prefix}")
    # rmdir refuses a folder that still holds anything, hidden files included.
    execute_process(COMMAND rmdir "${_prefix}" RESULT_VARIABLE _kept OUTPUT_QUIET ERROR_QUIET)
    if(_kept)
        message(STATUS "Kept: ${_prefix} (your projects and files)")
    else()
        message(STATUS "Removing: ${_prefix}")
    endif()
endif()
