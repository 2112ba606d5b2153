# Installation and the Debian package. Included at the end of the top
# CMakeLists.txt, after every program target has been defined.
#
#   cmake --install build --prefix /tmp/x     install into a folder
#   cd build && cpack -G DEB                  build the .deb
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME "velmor-service-software")
set(VELMOR_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})

# The release date in the forms the changelog and the build tools want.
execute_process(COMMAND date -u -d ${VELMOR_RELEASE_DATE} +%s
                OUTPUT_VARIABLE VELMOR_RELEASE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND date -u -R -d ${VELMOR_RELEASE_DATE}
                OUTPUT_VARIABLE VELMOR_RELEASE_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

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
# The same icon drawn at the sizes desktops look for first.
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/${size}x${size}/VelmorServiceSoftware.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Manual pages, section 1: made by help2man from each program's own --help
# and --version, with the hand-written part in packaging/man/<program>.h2m
# (name, further description, exit status, files, examples), compressed as
# Debian wants them. build/man/<program>.1 is the page uncompressed.
if(VELMOR_MANPAGES)
  find_program(VELMOR_HELP2MAN help2man REQUIRED)
  set(VELMOR_MAN_DIR ${CMAKE_BINARY_DIR}/man)
  file(MAKE_DIRECTORY ${VELMOR_MAN_DIR})
  set(pages)
  foreach(program IN LISTS VELMOR_INSTALL_PROGRAMS)
    if(TARGET ${program})
      set(page ${VELMOR_MAN_DIR}/${program}.1)
      set(handWritten ${PROJECT_SOURCE_DIR}/packaging/man/${program}.h2m)
      # velmor-flash marks its exit statuses as a section of their own for
      # help2man.
      set(helpOption --help)
      if(program STREQUAL "velmor-flash")
        set(helpOption --help-man)
      endif()
      add_custom_command(
        OUTPUT ${page} ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${VELMOR_RELEASE_EPOCH}
                ${VELMOR_HELP2MAN} --no-info --section=1 --help-option=${helpOption}
                --include=${handWritten} --output=${page}
                $<TARGET_FILE:${program}>
        COMMAND gzip -9nkf ${page}
        DEPENDS ${program} ${handWritten}
        COMMENT "Manual page ${program}.1"
        VERBATIM)
      list(APPEND pages ${page})
      install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
  endforeach()
  add_custom_target(manpages ALL DEPENDS ${pages})
endif()

# Bash completion: one script for the three tools, installed under each
# tool's name (bash-completion loads a command's completion by its name).
foreach(tool velmor-flash velmor-convert velmor-devsim)
  if(TARGET ${tool})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/bash-completion/velmor-tools
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${tool})
  endif()
endforeach()

# The software centre's entry, with this version and its release date.
set(VELMOR_METAINFO ${CMAKE_BINARY_DIR}/metainfo/com.example.velmor.VelmorServiceSoftware.metainfo.xml)
configure_file(${PROJECT_SOURCE_DIR}/packaging/VelmorServiceSoftware.metainfo.xml.in ${VELMOR_METAINFO} @ONLY)
install(FILES ${VELMOR_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The package's copyright file and changelog (a package without a Debian
# revision: changelog.gz, in the format of debian/changelog).
set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${changelog} @ONLY)
add_custom_command(
  OUTPUT ${changelog}.gz
  COMMAND gzip -9nkf ${changelog}
  DEPENDS ${changelog}
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${changelog}.gz)
install(FILES ${changelog}.gz ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${VELMOR_DOC_DIR})

set(CPACK_PACKAGE_VENDOR "Velmor Service Systems")
set(CPACK_PACKAGE_CONTACT "Velmor Service Systems <service@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Service tool for Vigilo, Quintra and Zerbo devices over RS-232")
# The long description, wrapped for 80 columns (CPack indents each line;
# an empty line becomes the paragraph mark " .").
set(CPACK_PACKAGE_DESCRIPTION [=[
VelmorServiceSoftware finds and identifies a device on a serial port, reads
and changes its settings, switches its outputs, loads new firmware and
converts the recordings of the GPS logger into MapPoint, Kartex, MagicMaps
and GPX.

Command-line tools for scripts and production lines come with it:
velmor-flash loads firmware, velmor-convert converts the logger's
recordings and velmor-devsim plays every device family on pseudo-terminals,
for trying the program without hardware.]=])
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# What the programs link, as dpkg-shlibdeps finds it on Debian 12 (the
# README's packaging section shows how to run it), with the Qt version the
# sources need. The platform plugins are only recommended by libqt6gui6, but
# without them the window cannot open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6serialport6 (>= 6.4), qt6-qpa-plugins (>= 6.4), libc6 (>= 2.34), libgcc-s1 (>= 3.0), libstdc++6 (>= 12)")
include(CPack)
