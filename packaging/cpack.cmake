# `make package`: a Debian package, zelmar_<version>_<arch>.deb. CPack writes
# the control file; dpkg-shlibdeps finds the libraries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelmar)
set(CPACK_PACKAGE_VENDOR "The Zelmar developers")
set(CPACK_PACKAGE_CONTACT "${ZELMAR_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print a 16-channel capture as a timing diagram PDF")
set(CPACK_PACKAGE_DESCRIPTION
"Zelmar turns the comma-separated capture file of a 16-channel acquisition
into a one-page timing diagram: a vector PDF on an 11 x 17 inch landscape
sheet at 1200 dots per inch, with a heading, optional tick marks and a
stepped trace per selected channel with its name.

The package holds the desktop program zelmar and the converter zelmar-pdf,
which makes the same page without a window, for scripts and batch use.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZELMAR_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ZELMAR_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Fonts no library pulls in: the page is set in DejaVu Sans, the windows in
# Liberation Sans, whose widths the window layout was designed for.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
