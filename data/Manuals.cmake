# SPDX-License-Identifier: GPL-3.0-or-later
# The manual pages, the software-centre metadata and the documents installed beside the programs.
# Manual pages and the change log go in compressed, as the system's own do.
set(KELVANE_DATA_SOURCE ${PROJECT_SOURCE_DIR}/data)
set(KELVANE_MAN_PAGES ${KELVANE_DATA_SOURCE}/man/kelvane-cli.1)
if(KELVANE_GUI)
    list(APPEND KELVANE_MAN_PAGES ${KELVANE_DATA_SOURCE}/man/kelvane.1)
endif()

set(KELVANE_COMPRESSED)
foreach(source ${KELVANE_MAN_PAGES} ${KELVANE_DATA_SOURCE}/debian/changelog)
    get_filename_component(name ${source} NAME)
    set(compressed ${CMAKE_BINARY_DIR}/share/compressed/${name}.gz)
    add_custom_command(OUTPUT ${compressed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/compressed
        COMMAND gzip -9 -n -c ${source} > ${compressed}
        DEPENDS ${source} VERBATIM)
    list(APPEND KELVANE_COMPRESSED ${compressed})
endforeach()
add_custom_target(kelvane_manuals ALL DEPENDS ${KELVANE_COMPRESSED})

foreach(page ${KELVANE_MAN_PAGES})
    get_filename_component(name ${page} NAME)
    install(FILES ${CMAKE_BINARY_DIR}/share/compressed/${name}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/share/compressed/changelog.gz ${KELVANE_DATA_SOURCE}/debian/copyright
    ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kelvane)
if(KELVANE_GUI)
    install(FILES ${KELVANE_DATA_SOURCE}/org.kelvane.Kelvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

if(BUILD_TESTING)
    # groff says nothing about a page without faults, also with every warning on.
    add_test(NAME data.man_pages COMMAND sh -c "out=$(groff -ww -z -man \"$@\" 2>&1); printf '%s' \"$out\"; test -z \"$out\""
        sh ${KELVANE_MAN_PAGES})
    set_tests_properties(data.man_pages PROPERTIES LABELS core)
    if(KELVANE_GUI)
        add_test(NAME data.metainfo
            COMMAND appstreamcli validate --no-net ${KELVANE_DATA_SOURCE}/org.kelvane.Kelvane.metainfo.xml)
        set_tests_properties(data.metainfo PROPERTIES LABELS core)
    endif()
endif()
