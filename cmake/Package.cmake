# cpack -G DEB: a Debian package of the installation rules (prefix /usr).
# Library dependencies are read from the binaries by dpkg-shlibdeps; what the
# programs load at run time without linking it is named here.
set(CPACK_PACKAGE_NAME mirlo)
set(CPACK_PACKAGE_VENDOR "Mirlo")
set(CPACK_PACKAGE_CONTACT "Mirlo <mirlo@mirlo-ecole.fr>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Record a spoken assignment to MP3 and hand it in")
set(CPACK_PACKAGE_DESCRIPTION "Pupils record a spoken assignment into an MP3 file, listen to it \
and\nhand it in to their teacher by uploading it to the school's web site or by\ne-mail.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY mirlo)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Installs run with the real prefix under DESTDIR, as the rules expect.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # mirlo_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Standard dialogs and buttons read French whatever the system language.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
# Mail hand-off goes through the system's sendmail.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "default-mta | mail-transport-agent")
# The help opens in the desktop's browser through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
# The shared settings file, /etc/mirlo/Mirlox.ini, is a configuration file: an
# edited one survives upgrades and goes only when the package is purged.
configure_file(${CMAKE_CURRENT_LIST_DIR}/conffiles.in ${PROJECT_BINARY_DIR}/debian/conffiles COPYONLY)
# Older packages kept it in /usr/lib/mirlo: the maintainer scripts move an edited one.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/conffiles
    ${PROJECT_SOURCE_DIR}/packaging/debian/preinst ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
    ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
