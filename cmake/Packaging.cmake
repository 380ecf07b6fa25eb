# Debian packages from the install rules: cpack -G DEB in a build folder (make package).
#   lipimattam         the window, the filter, their man pages, desktop entry, AppStream data,
#                      icons and the display font (the install component runtime)
#   liblipimattam-dev  the engine's headers and library, with CMake and pkg-config files
#                      (the install component development)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lipimattam)
set(CPACK_PACKAGE_VERSION "${LIPIMATTAM_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# CPack puts this summary before each package's description unless it is CPack's default: each
# package's description below begins with a summary of its own.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_PROJECT_NAME} built using CMake")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME lipimattam)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION text)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
# The input box shows Malayalam in AnjaliOldLipi.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS fonts-smc-anjalioldlipi)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "convert Unicode Malayalam text for the ML-TTRevathi font
Lipimattam re-encodes Malayalam text written in Unicode into the codes of the
legacy 8-bit font ML-TTRevathi, for documents that are still typeset in that
font, and reads such text back into Unicode.
.
The window lipimattam converts pasted text and shows the result as Malayalam,
in ML-TTRevathi where it is installed and otherwise in the display font
Lipimattam ML-TT, which comes with it. The command lipimattam-cli converts
whole files in both directions.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME liblipimattam-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "Unicode Malayalam to ML-TTRevathi conversion (development files)
The conversion engine of Lipimattam as a static C++ library: it re-encodes
Unicode Malayalam text into the codes of the legacy 8-bit font ML-TTRevathi
and reads such text back into Unicode.
.
This package holds the headers <lipimattam/convert.h>,
<lipimattam/to_unicode.h>, <lipimattam/cut_points.h>, <lipimattam/code_pages.h>
and <lipimattam/utf16.h>, the library, and the files for CMake
(find_package(Lipimattam)) and pkg-config (lipimattam).")

include(CPack)
