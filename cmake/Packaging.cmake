# `make package`: glimmerhall_<version>_amd64.deb through CPack's DEB generator.
# Everything the project installs into its one program folder (launcher, hostcore.rtl and
# whatever modules and helpers the install rules add beside them) goes to /usr/lib/glimmerhall;
# the "desktop" component goes under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glimmerhall)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Glimmerhall developers")
# Each project entry's last field is the folder its install prefix stands for in the package.
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/usr/lib/glimmerhall"
    "${CMAKE_BINARY_DIR};${PROJECT_NAME};desktop;/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_FILE_NAME glimmerhall_${PROJECT_VERSION}_amd64)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Glimmerhall developers <maintainers@glimmerhall.example>")
# Not "games": Debian keeps that section for programs in /usr/games, and a host's tool for
# a stream is started from /usr/bin.
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${GLIMMERHALL_SITE_URL}/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Chinese faces the windows are designed with, colour emoji for streamers' names, Qt's own
# Chinese texts for its standard dialogs and the SQLite driver Qt SQL loads for the PK history;
# nothing links them, so shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-noto-cjk, fonts-noto-color-emoji, fonts-arphic-ukai, qt6-translations-l10n, libqt6sql6-sqlite")
# The launcher's error box, when the runtime cannot be loaded.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "x11-utils")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "party games for hosts of live video streams")
# CPack puts the summary first; this is the long description below it.
set(CPACK_PACKAGE_DESCRIPTION "A game catalogue that opens three party games played on stream between
player one and player two: Quorvane, a PK tally scoreboard; Vessmoor, a
dragon-tiger dice game; and Krallow, a mine-box game. It also checks the
maker's web site for a newer version and shows a one-line visitor
statistics summary. All texts are Simplified Chinese.")

include(CPack)
