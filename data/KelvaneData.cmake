# SPDX-License-Identifier: GPL-3.0-or-later
# What the program needs beside it: the default settings, the help pages, the desktop entry, the MIME
# type of *.cry, the icons, and the file managers' menu entries (KDE service menus, a Nautilus script).
# The build tree gets a share/kelvane of its own, so that build/bin/kelvane finds its defaults and its
# help (../share/kelvane) without being installed.
set(KELVANE_DATA_SOURCE ${PROJECT_SOURCE_DIR}/data)
set(KELVANE_BUILD_SHARE ${CMAKE_BINARY_DIR}/share/kelvane)

set(KELVANE_ICON_FILE ${KELVANE_BUILD_SHARE}/application-x-kelvane-crypt.svg)
configure_file(${KELVANE_DATA_SOURCE}/icons/application-x-kelvane-crypt.svg ${KELVANE_ICON_FILE} COPYONLY)
configure_file("${KELVANE_DATA_SOURCE}/crypt file.ini.in" "${KELVANE_BUILD_SHARE}/crypt file.ini" @ONLY)

# The help pages go to help/ beside the icon that the settings name, where the program looks for them.
set(KELVANE_HELP_FILES
    index.html
    getting-started.html
    encrypting.html
    lists-and-views.html
    passwords.html
    preferences.html
    command-line.html
    protection.html
    style.css)
foreach(page IN LISTS KELVANE_HELP_FILES)
    configure_file(${KELVANE_DATA_SOURCE}/help/${page} ${KELVANE_BUILD_SHARE}/help/${page} COPYONLY)
endforeach()
list(TRANSFORM KELVANE_HELP_FILES PREPEND ${KELVANE_DATA_SOURCE}/help/)
install(FILES ${KELVANE_HELP_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvane/help)

# The settings name the installed data folder, which is known only when installing (the prefix may
# come from cmake --install --prefix), so they are written then.
install(CODE "
set(KELVANE_DATA_SOURCE \"${KELVANE_DATA_SOURCE}\")
set(KELVANE_INSTALL_DATADIR \"${CMAKE_INSTALL_DATADIR}\")
set(KELVANE_STAGE \"${CMAKE_CURRENT_BINARY_DIR}/install-stage\")
")
install(SCRIPT ${KELVANE_DATA_SOURCE}/InstallSettings.cmake)
install(FILES ${KELVANE_DATA_SOURCE}/icons/application-x-kelvane-crypt.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvane)
install(FILES ${KELVANE_DATA_SOURCE}/kelvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KELVANE_DATA_SOURCE}/kelvane.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${KELVANE_DATA_SOURCE}/icons/kelvane.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${KELVANE_DATA_SOURCE}/icons/application-x-kelvane-crypt.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes)
# "Encrypt with Kelvane" in the file managers' context menus. KDE reads its service menus from
# there; Nautilus scripts live in each user's own folder, so the script is installed for the user to
# link (see the README).
install(FILES ${KELVANE_DATA_SOURCE}/kelvane-encrypt.desktop ${KELVANE_DATA_SOURCE}/kelvane-decrypt.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus)
install(PROGRAMS "${KELVANE_DATA_SOURCE}/nautilus-scripts/Encrypt with Kelvane"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvane/nautilus-scripts)
install(SCRIPT ${KELVANE_DATA_SOURCE}/UpdateDesktopCaches.cmake)

if(BUILD_TESTING)
    add_test(NAME data.desktop_files COMMAND bash ${KELVANE_DATA_SOURCE}/CheckDesktopFiles.sh ${KELVANE_DATA_SOURCE})
    add_test(NAME data.nautilus_script
        COMMAND bash ${KELVANE_DATA_SOURCE}/CheckNautilusScript.sh "${KELVANE_DATA_SOURCE}/nautilus-scripts/Encrypt with Kelvane")
    set_tests_properties(data.desktop_files data.nautilus_script PROPERTIES LABELS core)
endif()
