# `make package`: a Debian package of what the install rules install, its library dependencies
# found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vestrel)
set(CPACK_PACKAGE_VENDOR "Vestrel")
set(CPACK_PACKAGE_CONTACT "Vestrel developers <dev@vestrel.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "manage P2K phones attached by USB")
set(CPACK_PACKAGE_DESCRIPTION
    "Vestrel watches for P2K phones in their three USB modes (P2K command,\n\
flash, AT modem). It is a file manager and remote control for a phone in\n\
P2K mode and makes full memory backups of a phone in flash mode. It lives\n\
in the notification area; vestrel-cli does the same from a terminal.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own Russian texts for the standard dialogs and buttons of the windows.
if(VESTREL_WITH_QT)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
include(CPack)
