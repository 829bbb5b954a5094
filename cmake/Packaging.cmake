# SPDX-License-Identifier: GPL-3.0-or-later
# `make package`: a Debian package of what `make install` installs, built in a tree configured for
# /usr. Its dependencies come from dpkg-shlibdeps. The MIME and desktop databases are brought up to
# date by the dpkg triggers of shared-mime-info and desktop-file-utils, which watch the folders
# the package installs into.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kelvane developers")
set(CPACK_PACKAGE_CONTACT "The Kelvane developers <developers@kelvane.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "encrypt and decrypt files with a password")
set(CPACK_PACKAGE_DESCRIPTION "Kelvane encrypts whole files with a password: a file becomes an encrypted
file with .cry added, and the plain file is wiped. Passwords can be kept in a
database under a master password. The window shows a directory tree beside the
plain and the encrypted files; kelvane-cli does the same from scripts. The
ciphers (DES, Triple DES, IDEA) are those of a legacy container format.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# `lp` prints; xdg-open is the desktop's default handler for the help pages.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups-client, xdg-utils")
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
