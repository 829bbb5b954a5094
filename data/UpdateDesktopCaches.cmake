# SPDX-License-Identifier: GPL-3.0-or-later
# A file manager learns of *.cry and of the new "Open with" entry from its caches. A staged install
# (DESTDIR) leaves this to the package's own scripts.
if("$ENV{DESTDIR}" STREQUAL "")
    find_program(KELVANE_UPDATE_MIME update-mime-database)
    if(KELVANE_UPDATE_MIME)
        execute_process(COMMAND ${KELVANE_UPDATE_MIME} "${KELVANE_FULL_DATADIR}/mime" OUTPUT_QUIET ERROR_QUIET)
    endif()
    find_program(KELVANE_UPDATE_DESKTOP update-desktop-database)
    if(KELVANE_UPDATE_DESKTOP)
        execute_process(COMMAND ${KELVANE_UPDATE_DESKTOP} -q "${KELVANE_FULL_DATADIR}/applications"
            OUTPUT_QUIET ERROR_QUIET)
    endif()
endif()
