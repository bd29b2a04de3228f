# The Debian package, built by CPack from the normal build tree
# (scripts/package): build/kvintor_<version>_<architecture>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kvintor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kvintor workshop tool set developers")
set(CPACK_PACKAGE_CONTACT "${KV_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "workshop tool set for Mikas engine control units")
set(CPACK_PACKAGE_DESCRIPTION
"Diagnostic and tuning programs for cars whose petrol engine (ZMZ-406 family
and related UMZ engines, injection or carburettor) is run by a Mikas 5.4 or
7.x engine control unit, connected through a K-line adapter on a serial port:
 - Kvintor: identification, live data, faults, passport, set-point
   adjustments, adaptation tables, engine tests, graphs, report log;
 - Fermel: ignition advance table editor for 64 KB firmware images;
 - Lumeta: finds tables in a firmware image by eye;
 - kline-sim: an ECU simulator on a pseudo-terminal, for training and
   trying the programs without a car;
 - kline: one request to the ECU from the command line.
The programs speak Russian. Serial devices are open to members of the
dialout group.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KV_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KV_HOMEPAGE}")
# The libraries the programs link come from dpkg-shlibdeps; Qt's Russian
# texts (standard buttons, file dialogues) are loaded at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/resources/package/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
