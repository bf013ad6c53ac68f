# `cpack` in the build folder makes a Debian package: the program under
# /opt/pellomar, the launcher in /usr/share/applications and its icons in
# /usr/share/icons/hicolor. Installed that way the program keeps its data in
# the user's data folder (see store/DataFolder.h).
set(PELLOMAR_INSTALL_DIR /opt/pellomar CACHE PATH "Where the package installs the program")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pellomar)
# The one version of project(), as the program shows it.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Pellomar)
set(CPACK_PACKAGE_CONTACT "Pellomar developers <pellomar@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Pellomar会员系统: members, stored value and referral commissions for a small shop")
set(CPACK_PACKAGE_DESCRIPTION "A member register for a small shop, in Simplified Chinese: \
stored-value balances, recharge and consumption, a commission for the referrer \
of every consuming member, administrator accounts, backup and export to Excel.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${PELLOMAR_INSTALL_DIR})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# Libraries the executable links come from dpkg-shlibdeps; the SQLite driver
# and the platform plugins are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libgsf is loaded at the first export, so the linker does not list it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, qt6-qpa-plugins, libgsf-1-114")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
include(CPack)
