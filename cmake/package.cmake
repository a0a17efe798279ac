# clavenet-attach as a Debian package (cpack --preset deb), made from what
# the release build installs. Its dependencies are the shared libraries the
# tool links, found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME clavenet-attach)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Clavenet developers <developers@clavenet.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "serial keyboards of vintage handhelds as Linux keyboards")
set(CPACK_PACKAGE_DESCRIPTION
    "clavenet-attach reads a Flexis, Pocketop, GoType, Happy Hacking or Palm
Portable keyboard from a serial port, usually a USB-serial adapter, and
makes it a keyboard of the machine through uinput: each key a Linux key,
modifiers held, Fn layers and keymaps as data, the desktop's own repeat
and layout. A udev rule and a systemd unit start it when a configured
adapter is plugged in; --detect tells which of the five keyboards is on
the line.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The udev rule and the unit start it on plug; without them it runs by hand.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev, systemd")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/tools/clavenet-attach/debian/postinst
    ${PROJECT_SOURCE_DIR}/tools/clavenet-attach/debian/prerm
    ${PROJECT_SOURCE_DIR}/tools/clavenet-attach/debian/postrm)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
