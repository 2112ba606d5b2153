# Installation and the Debian package. Included at the end of the top
# CMakeLists.txt, after every program target has been defined.
#
#   cmake --install build --prefix /tmp/x     install into a folder
#   cd build && cpack -G DEB                  build the .deb
include(GNUInstallDirs)

# Programs that go into bin/. Add a command-line tool's target here; targets
# that this build does not define are left out.
set(VELMOR_INSTALL_PROGRAMS
    VelmorServiceSoftware
    velmor-convert
    velmor-flash
    velmor-devsim)
foreach(program IN LISTS VELMOR_INSTALL_PROGRAMS)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The desktop entry beside bin/ also tells the program that it is an
# installed one (its settings then live in the user's configuration folder).
install(FILES ${PROJECT_SOURCE_DIR}/packaging/VelmorServiceSoftware.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/VelmorServiceSoftware.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME "velmor-service-software")
set(CPACK_PACKAGE_VENDOR "Velmor Service Systems")
set(CPACK_PACKAGE_CONTACT "Velmor Service Systems <service@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Service tool for Vigilo, Quintra and Zerbo devices over RS-232")
set(CPACK_PACKAGE_DESCRIPTION
    "Finds and identifies a device on a serial port, reads and changes its settings, switches its outputs, loads new firmware and converts GPS logger data.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# What the program links (as dpkg-shlibdeps finds it on Debian 12), with the
# Qt version the sources need. The platform plugins are only recommended by
# libqt6gui6, but without them the window cannot open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6serialport6 (>= 6.4), qt6-qpa-plugins (>= 6.4), libc6 (>= 2.34), libgcc-s1 (>= 3.0), libstdc++6 (>= 5.2)")
include(CPack)
