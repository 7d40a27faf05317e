# Installs the utility like any other desktop program, and packs it as two Debian packages:
#   morvane-config-cli  the command line, the virtual controller and the manual page, with no
#                       Qt Gui, Qt Widgets or graphics library, for a headless station
#   morvane-config      the window (its library, desktop entry, icons, file type, README) and
#                       the report's library (the page needs Qt Gui), depending on
#                       morvane-config-cli; installing it gives the whole utility
include(GNUInstallDirs)

install(TARGETS morvane-config RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
install(TARGETS morvane-window morvane-report LIBRARY DESTINATION ${MORVANE_PARTS_DIR}
        COMPONENT window)
install(TARGETS morvane-network LIBRARY DESTINATION ${MORVANE_PARTS_DIR} COMPONENT cli)
# The virtual controller, for trying the command line and a station's scripts without a unit.
if(TARGET morvane-sim)
  install(TARGETS morvane-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/data/morvane-config.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT window)
# The .morvane file type; the system's MIME and desktop databases pick it up when the
# package is installed, so a double-click opens the file with the program.
install(FILES ${PROJECT_SOURCE_DIR}/data/morvane-config.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages COMPONENT window)
# The README the About box points to.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR}
        COMPONENT window)
# The manual page with this version in its header, compressed the way Debian installs manual
# pages (gzip -9, no name or time stamp inside, so that the package builds the same twice).
# The template is data/morvane-config.1.in; the page with the version filled in stays readable
# with "man -l" in man/configured/ of the build folder.
set(MORVANE_MANPAGE ${CMAKE_CURRENT_BINARY_DIR}/man/morvane-config.1)
set(MORVANE_MANPAGE_CONFIGURED ${CMAKE_CURRENT_BINARY_DIR}/man/configured/morvane-config.1)
configure_file(${PROJECT_SOURCE_DIR}/data/morvane-config.1.in ${MORVANE_MANPAGE_CONFIGURED} @ONLY)
add_custom_command(OUTPUT ${MORVANE_MANPAGE}.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${MORVANE_MANPAGE_CONFIGURED} ${MORVANE_MANPAGE}
  COMMAND gzip -9nf ${MORVANE_MANPAGE}
  DEPENDS ${MORVANE_MANPAGE_CONFIGURED}
  COMMENT "Compressing the manual page"
  VERBATIM)
add_custom_target(morvane_manpage ALL DEPENDS ${MORVANE_MANPAGE}.gz)
install(FILES ${MORVANE_MANPAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
foreach(size ${MORVANE_ICON_SIZES})
  install(FILES ${MORVANE_ICON_DIR}/${size}/morvane-config.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          COMPONENT window)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvane-config)
set(CPACK_PACKAGE_VENDOR "Morvane")
set(CPACK_PACKAGE_CONTACT "Morvane Config maintainers <maintainers@morvane.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# One package a component, each with the dependencies of its own files, the window's on the
# command line's of the same version.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli window)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_CLI_PACKAGE_NAME morvane-config-cli)
set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME morvane-config)
# Each package's own summary and text; CPack would put one summary above both.
set(CPACK_DEBIAN_CLI_DESCRIPTION
    "Command line of the configuration utility for the Morvane panel controller\nReads and writes the configuration of a Morvane panel controller over a serial\nModbus RTU link from the command line, without a display or a desktop.")
set(CPACK_DEBIAN_WINDOW_DESCRIPTION
    "Configuration utility for the Morvane panel controller\nReads, edits and writes the configuration of a Morvane panel controller over a serial\nModbus RTU link.")
include(CPack)
cpack_add_component(cli DISPLAY_NAME "Command line")
cpack_add_component(window DISPLAY_NAME "Window" DEPENDS cli)
