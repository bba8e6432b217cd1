# The Debian package: `cpack -G DEB` in the build folder writes
# zevrin_<version>_<arch>.deb from the install rules (data/CMakeLists.txt).

set(CPACK_PACKAGE_NAME "zevrin")
set(CPACK_PACKAGE_VENDOR "MarvenData")
set(CPACK_PACKAGE_CONTACT "MarvenData <zevrin@marvendata.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audio spectrum analyser")
set(CPACK_PACKAGE_DESCRIPTION
    "Zevrin captures sound from a sound card input, one channel or two, and shows\n\
its spectrum in dB against frequency while it runs, from a windowed FFT whose\n\
bandwidth and window the user chooses. It keeps frozen copies and long-term\n\
average spectra with decay and frame exclusion, and measures systems with a\n\
synchronous average: it plays a periodic multi-tone test signal and averages\n\
the complex spectra of the captured periods, so that the partials it played\n\
stand apart from noise and distortion. Two measurement cursors, settings\n\
files and a command line that turns sound files into numbers complete it.")
set(CPACK_PACKAGE_VERSION "${ZEVRIN_VERSION_TEXT}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "zevrin")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The libraries the program links, with the versions its symbols need, as
# dpkg-shlibdeps reads them from the binary.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_COMPRESSION_TYPE "xz")

include(CPack)
