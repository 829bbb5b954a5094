# SPDX-License-Identifier: GPL-3.0-or-later
# The window is not cross-built (Debian has no Qt for mingw), but its registry settings backend is
# compiled all the same, syntax only: the Windows compiler, Q_OS_WIN on, against the Qt 6 headers of
# the build machine (not stubs). Nothing is linked or run.
set(KELVANE_HOST_QT_INCLUDE /usr/include/x86_64-linux-gnu/qt6 CACHE PATH "Qt 6 headers for the syntax check")
set(source ${PROJECT_SOURCE_DIR}/app/SettingsStore_Windows.cpp)
if(EXISTS ${KELVANE_HOST_QT_INCLUDE}/QtCore/QSettings)
    set(stamp ${CMAKE_BINARY_DIR}/SettingsStore_Windows.checked)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_CXX_COMPILER} -std=c++20 -fsyntax-only -fPIC -Wall -Wextra -Wpedantic -Werror
            -I${PROJECT_SOURCE_DIR}/app -isystem ${KELVANE_HOST_QT_INCLUDE} -isystem ${KELVANE_HOST_QT_INCLUDE}/QtCore
            ${source}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${source} ${PROJECT_SOURCE_DIR}/app/SettingsStore.h
        COMMENT "Compiling SettingsStore_Windows.cpp, syntax only, against the Qt 6 headers"
        VERBATIM)
    add_custom_target(kelvane_registry_settings_check ALL DEPENDS ${stamp})
else()
    message(STATUS "No Qt 6 headers in ${KELVANE_HOST_QT_INCLUDE}: the registry settings backend is not checked")
endif()
