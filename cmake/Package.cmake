# The Debian package: `cpack -G DEB` in a build directory. It takes only the
# runtime install component (see data/CMakeLists.txt) and lets dpkg-shlibdeps
# compute the library dependencies from the binary.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostrel)
set(CPACK_PACKAGE_VENDOR "The Ostrel developers")
set(CPACK_PACKAGE_CONTACT "The Ostrel developers <ostrel@users.noreply.github.com>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://github.com/ostrel/ostrel")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};${OSTREL_INSTALL_COMPONENT};/")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME ostrel)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# The summary line comes from the project's description; CPack indents the
# rest and turns the empty line into a paragraph break.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Ostrel shows how much of your Claude Code plan you have used in the
desktop's status area: a small glyph and the five-hour window's usage with
the time until it resets. A click opens a panel with the plan limits,
today's figures, a seven-day chart, a per-model breakdown and all-time
totals.

It reads the Claude Code statistics file, and the login token only to ask
the account service for the plan usage. It has no settings and writes no
files. It starts with the desktop session of every user.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Usage comes over verified TLS, which needs the system's certificates; the
# library dependencies cannot say so. On GNOME and other GTK desktops, Qt
# takes the desktop's font only through its GTK platform theme.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates, qt6-gtk-platformtheme")
# Files under /etc are the administrator's: dpkg keeps their edits on upgrade.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/data/debian/conffiles)

include(CPack)
