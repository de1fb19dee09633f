# The Debian package (`cpack -G DEB`, see scripts/package.sh): what `cmake --install` puts in
# place, under /usr, with the libraries it needs found from the binaries themselves.
set(CPACK_PACKAGE_NAME framegrove)
set(CPACK_PACKAGE_VENDOR "The Framegrove developers")
set(CPACK_PACKAGE_CONTACT "The Framegrove developers <developers@framegrove.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen capture with crop, text, gray scale and printing")
# the long description under the summary; CPack indents its lines
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Framegrove captures the whole screen, the active window or the screen after
a delay, stamps the date and time on the picture, crops it, writes a line of
text on it or turns it gray, and then saves it as JPEG, PNG or bitmap, copies
it to the clipboard, prints it or hands it to a paint program.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# the documents are opened through the desktop's own lookup of the HTML browser
# beside the libraries found in the binaries: the opener of the help documents, and Qt's Wayland
# platform, which is loaded at run time rather than linked
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils, qt6-wayland")
# the screenshot portal serves the captures on Wayland desktops
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-desktop-portal")
set(CPACK_GENERATOR DEB)
include(CPack)
