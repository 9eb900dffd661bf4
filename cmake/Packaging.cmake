# What `cmake --install` puts where, and the packages CPack makes of it: a portable zip for the
# Windows edition (its installer is made from the same files by makensis, target `installer`),
# a .deb for the Linux edition.
set(_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(_generated ${CMAKE_BINARY_DIR}/packaging)
set(HOVERDECK_APP_ID org.example.Hoverdeck)

set(CPACK_PACKAGE_NAME Hoverdeck)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Hoverdeck developers")
set(CPACK_PACKAGE_CONTACT "The Hoverdeck developers <hoverdeck@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://hoverdeck.example.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "keeps chosen windows on top and disables their close buttons")
# Lines of the long description as Debian shows them (under 80 characters).
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Hoverdeck manages two properties of other programs' windows: whether a"
  "window stays above all others, and whether its close button works. It lists"
  "the windows that stay on top and the others and switches them with a double"
  "click. Rules by caption text keep chosen windows on top while Hoverdeck sits"
  "in the tray, or take their close button away.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(TARGET hoverdeck_win32_exe)
  configure_file(${_packaging}/windows/README.txt ${_generated}/README.txt @ONLY
                 NEWLINE_STYLE WIN32)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${_generated}/LICENSE.txt @ONLY
                 NEWLINE_STYLE WIN32)
  install(TARGETS hoverdeck_win32_exe RUNTIME DESTINATION .)
  install(FILES ${_generated}/README.txt ${_generated}/LICENSE.txt DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Hoverdeck-${PROJECT_VERSION}-windows-x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)

  set(HOVERDECK_INSTALLER
      ${CMAKE_BINARY_DIR}/packages/Hoverdeck-${PROJECT_VERSION}-windows-x64-setup.exe)
  # The script names the executable by a generator expression, resolved after configuring.
  configure_file(${_packaging}/windows/Hoverdeck.nsi.in ${_generated}/Hoverdeck.nsi.in @ONLY)
  file(GENERATE OUTPUT ${_generated}/Hoverdeck.nsi INPUT ${_generated}/Hoverdeck.nsi.in)
  find_program(HOVERDECK_MAKENSIS makensis)
  if(HOVERDECK_MAKENSIS)
    add_custom_command(OUTPUT ${HOVERDECK_INSTALLER}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packages
      COMMAND ${HOVERDECK_MAKENSIS} -V2 -INPUTCHARSET UTF8 ${_generated}/Hoverdeck.nsi
      DEPENDS hoverdeck_win32_exe ${_generated}/Hoverdeck.nsi ${_generated}/README.txt
              ${_generated}/LICENSE.txt ${PROJECT_SOURCE_DIR}/src/ui/win32/Hoverdeck.ico
      COMMENT "Making the installer with makensis")
    add_custom_target(installer DEPENDS ${HOVERDECK_INSTALLER})
  endif()
elseif(TARGET hoverdeck)
  include(GNUInstallDirs)
  set(_share ${CMAKE_INSTALL_DATAROOTDIR})
  install(TARGETS hoverdeck RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${_packaging}/linux/${HOVERDECK_APP_ID}.desktop DESTINATION ${_share}/applications)
  # Not active by itself: the user copies it to ~/.config/autostart (see the README).
  install(FILES ${_packaging}/linux/autostart/${HOVERDECK_APP_ID}.desktop
          DESTINATION ${_share}/hoverdeck/autostart)
  # Hoverdeck's GNOME Shell extension in both its forms; the program puts the one the shell
  # takes into the user's extensions folder itself.
  install(DIRECTORY ${HOVERDECK_GNOME_EXTENSION_DIR}/
          DESTINATION ${_share}/hoverdeck/gnome-shell-extension)
  configure_file(${_packaging}/linux/${HOVERDECK_APP_ID}.metainfo.xml.in
                 ${_generated}/${HOVERDECK_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${_generated}/${HOVERDECK_APP_ID}.metainfo.xml DESTINATION ${_share}/metainfo)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${_packaging}/icons/hoverdeck-${size}.png
            DESTINATION ${_share}/icons/hicolor/${size}x${size}/apps
            RENAME ${HOVERDECK_APP_ID}.png)
  endforeach()
  install(FILES ${_packaging}/icons/hoverdeck.svg DESTINATION ${_share}/icons/hicolor/scalable/apps
          RENAME ${HOVERDECK_APP_ID}.svg)

  # Debian's documentation folder (the licence as its copyright file, a changelog) and the
  # manual page.
  configure_file(${_packaging}/linux/changelog.in ${_generated}/changelog @ONLY)
  add_custom_command(OUTPUT ${_generated}/changelog.gz
    COMMAND gzip -9nc ${_generated}/changelog > ${_generated}/changelog.gz
    DEPENDS ${_generated}/changelog)
  add_custom_target(hoverdeck_changelog ALL DEPENDS ${_generated}/changelog.gz)
  install(FILES ${_packaging}/linux/copyright ${_generated}/changelog.gz
          DESTINATION ${_share}/doc/hoverdeck)
  add_custom_command(OUTPUT ${_generated}/hoverdeck.1.gz
    COMMAND gzip -9nc ${_packaging}/linux/hoverdeck.1 > ${_generated}/hoverdeck.1.gz
    DEPENDS ${_packaging}/linux/hoverdeck.1)
  add_custom_target(hoverdeck_manual ALL DEPENDS ${_generated}/hoverdeck.1.gz)
  install(FILES ${_generated}/hoverdeck.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_PACKAGE_NAME hoverdeck)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()

include(CPack)
