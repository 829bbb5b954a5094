# SPDX-License-Identifier: GPL-3.0-or-later
# Install time: writes the default settings with the installed data folder in "DefaultIcon", whose
# folder is also where the help pages are looked for.
if(IS_ABSOLUTE "${KELVANE_INSTALL_DATADIR}")
    set(KELVANE_FULL_DATADIR "${KELVANE_INSTALL_DATADIR}")
else()
    set(KELVANE_FULL_DATADIR "${CMAKE_INSTALL_PREFIX}/${KELVANE_INSTALL_DATADIR}")
endif()
set(KELVANE_ICON_FILE "${KELVANE_FULL_DATADIR}/kelvane/application-x-kelvane-crypt.svg")
configure_file("${KELVANE_DATA_SOURCE}/crypt file.ini.in" "${KELVANE_STAGE}/crypt file.ini" @ONLY)
file(INSTALL "${KELVANE_STAGE}/crypt file.ini" DESTINATION "${KELVANE_FULL_DATADIR}/kelvane")
