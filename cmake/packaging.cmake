# Installs the utility like any other desktop program, and packs it as a Debian package.
include(GNUInstallDirs)

install(TARGETS morvane-config RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/morvane-config.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The .morvane file type; the system's MIME and desktop databases pick it up when the
# package is installed, so a double-click opens the file with the program.
install(FILES ${PROJECT_SOURCE_DIR}/data/morvane-config.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
# The README the About box points to.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
foreach(size ${MORVANE_ICON_SIZES})
  install(FILES ${MORVANE_ICON_DIR}/${size}/morvane-config.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvane-config)
set(CPACK_PACKAGE_VENDOR "Morvane")
set(CPACK_PACKAGE_CONTACT "Morvane Config maintainers <maintainers@morvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration utility for the Morvane panel controller")
set(CPACK_PACKAGE_DESCRIPTION
    "Reads, edits and writes the configuration of a Morvane panel controller over a serial\n Modbus RTU link.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
