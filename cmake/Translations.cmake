# The window's English texts: translations/velmor_en.ts, compiled by lrelease
# (Debian: qt6-l10n-tools) into velmor_en.qm, which goes into the program as
# the resource :/i18n/velmor_en.qm. The German texts are those of the sources
# and need no catalogue.
find_program(VELMOR_LRELEASE NAMES lrelease lrelease-qt6 REQUIRED
             HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} /usr/lib/qt6/bin)
find_program(VELMOR_LUPDATE NAMES lupdate lupdate-qt6
             HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} /usr/lib/qt6/bin)

set(VELMOR_TS_FILES ${PROJECT_SOURCE_DIR}/translations/velmor_en.ts)
set(VELMOR_I18N_DIR ${CMAKE_BINARY_DIR}/i18n)
set(VELMOR_QM_FILES)
foreach(ts IN LISTS VELMOR_TS_FILES)
  get_filename_component(base ${ts} NAME_WE)
  set(qm ${VELMOR_I18N_DIR}/${base}.qm)
  add_custom_command(OUTPUT ${qm}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMOR_I18N_DIR}
    COMMAND ${VELMOR_LRELEASE} -silent ${ts} -qm ${qm}
    DEPENDS ${ts}
    COMMENT "Compiling ${base}.ts")
  list(APPEND VELMOR_QM_FILES ${qm})
endforeach()

set(VELMOR_I18N_QRC ${VELMOR_I18N_DIR}/velmor_i18n.qrc)
set(qrc "<RCC>\n  <qresource prefix=\"/i18n\">\n")
foreach(qm IN LISTS VELMOR_QM_FILES)
  get_filename_component(name ${qm} NAME)
  string(APPEND qrc "    <file>${name}</file>\n")
endforeach()
string(APPEND qrc "  </qresource>\n</RCC>\n")
file(CONFIGURE OUTPUT ${VELMOR_I18N_QRC} CONTENT "${qrc}")
qt_add_resources(VELMOR_I18N_SOURCES ${VELMOR_I18N_QRC})
add_custom_target(velmor_translations DEPENDS ${VELMOR_QM_FILES})
# In the logic library, so that the command-line tools can print the texts
# they share with the window (the track summary) in English.
target_sources(velmor_logic PRIVATE ${VELMOR_I18N_SOURCES})
add_dependencies(velmor_logic velmor_translations)

# The tests read the catalogue's sources.
set(VELMOR_TS_DIR ${PROJECT_SOURCE_DIR}/translations)

# Brings the catalogues up to date with the texts of the sources and forms
# (a developer's step after changing texts; not part of the build):
#   cmake --build build --target lupdate
if(VELMOR_LUPDATE)
  add_custom_target(lupdate
    COMMAND ${VELMOR_LUPDATE} -silent -locations none -no-obsolete
            ${PROJECT_SOURCE_DIR}/src -ts ${VELMOR_TS_FILES}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "Updating the catalogues from the sources"
    VERBATIM)
endif()
