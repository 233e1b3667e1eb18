# Debian packages with CPack: `cpack -G DEB` in a build configured by scripts/package.sh
# (prefix /usr, the Debian documents, the distribution's hardening flags).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME i815quarvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The i815 Quarvel developers <i815quarvel@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "settings of the Intel i815 chipset: a window and i815ctl")
# CPack makes the synopsis from the summary and indents this text, paragraphs at blank lines.
set(CPACK_PACKAGE_DESCRIPTION "i815 Quarvel shows and changes the working settings of the Intel i815 host
bridge of a Pentium III mainboard: AGP 4X, sideband addressing, fast writes,
SDRAM timings, power-throttle limits, arbiter and page-closing policies.

The window never holds a privilege: a small helper without Qt, started through
pkexec or given cap_sys_rawio for a group by an administrator, makes the
configuration cycles and refuses everything else. i815ctl shows and sets the
settings from the command line, saves them as a profile that a systemd unit
applies at boot and after resume, tries a change with automatic undo, and
measures memory bandwidth. i815quarvel-sim shows the window on an emulated
i815.")
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pkexec, fonts-liberation, fonts-comic-neue")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/data/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^i.86$")
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE i386)
endif()
include(CPack)
