# The Debian package: the agent, the converter, the menu entry and the icon under /usr.
# Library dependencies are read off the binaries (dpkg-shlibdeps); the packages the agent needs
# at run time without linking them are listed by hand.
set(CPACK_PACKAGE_NAME tarvo-agent)
set(CPACK_PACKAGE_VERSION 1.06)
set(CPACK_PACKAGE_VENDOR "Тарво")
set(CPACK_PACKAGE_CONTACT "Тарво <support@tarvo.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Тарво Агент: publishes a shop's price lists on the Tarvo trading service")
set(CPACK_PACKAGE_DESCRIPTION "A wizard window that takes the shop's Excel price lists (.xls, .xlsx)
and its login once, converts the first sheet of each changed list into an HTML table and
uploads it to the trading service. Includes tarvo-xls2html, the converter on the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The X11 platform plugin, the typefaces of the window, Qt's Russian texts, and xdg-open for the
# browser.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fonts-wine, fonts-dejavu-core, qt6-translations-l10n, xdg-utils")
include(CPack)
