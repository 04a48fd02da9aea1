# The Debian package: everything `cmake --install` puts in place, under /usr, made by
# CPack (scripts/package). The libraries the programs link come from dpkg-shlibdeps;
# what Qt loads at run time, and so no linker sees, is named here.
set(ORMIX_PACKAGE_MAINTAINER "Veltaron <support@veltaron.example>"
    CACHE STRING "Maintainer field of the .deb: the organisation that ships it")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ormix)
set(CPACK_PACKAGE_VENDOR Veltaron)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "workstation for programming ORMIX-2 and KASTOR-5 meters")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ORMIX_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The long description; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"The operator's window (Russian user interface) reads a three-tariff electricity
meter on a serial port without pause, writes its settings and the tariff schedule,
reads its journals, and logs every acknowledged write to a local dBase table or to
a production database. Also ormix-cli, the same from the command line, and
meter-emulator, a meter on a pseudo-terminal for trying it without one.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt SQL drivers are plugins: the embedded default, PostgreSQL, and ODBC for SQL Server.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, libqt6sql6-odbc")
# Links and workbooks open through xdg-open; Wayland sessions use Qt's Wayland plugin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "odbc-postgresql, tdsodbc, libreoffice-calc")

include(CPack)
