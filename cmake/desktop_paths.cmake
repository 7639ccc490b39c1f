# Where a user's menu entries and icons live, by the freedesktop base-directory rule.
# Sets FENDRIVAL_DESKTOP_ENTRY and FENDRIVAL_ICON; read at install and uninstall time.
if(DEFINED ENV{XDG_DATA_HOME} AND IS_ABSOLUTE "$ENV{XDG_DATA_HOME}")
    set(_data_home "$ENV{XDG_DATA_HOME}")
elseif(DEFINED ENV{HOME} AND IS_ABSOLUTE "$ENV{HOME}")
    set(_data_home "$ENV{HOME}/.local/share")
else()
    message(FATAL_ERROR "Neither XDG_DATA_HOME nor HOME names a folder for the menu entry")
endif()
set(FENDRIVAL_DESKTOP_ENTRY "${_data_home}/applications/fendrival-setup.desktop")
set(FENDRIVAL_ICON "${_data_home}/icons/hicolor/scalable/apps/fendrival-setup.svg")
