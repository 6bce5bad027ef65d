# Installation into the usual places of a Linux desktop, and the Debian package built from them.
include(GNUInstallDirs)

set(TESSARY_APP_ID org.orlandworks.TessaryEditor)
set(TESSARY_DATA_DIR ${PROJECT_SOURCE_DIR}/data)
set(TESSARY_ICON_SVG ${PROJECT_SOURCE_DIR}/src/resources/tessary-editor.svg)
set(TESSARY_ICON_SIZES 16 32 48 64 128 256)

set(TESSARY_PROGRAMS tessary-editor)
if(TARGET tessary-check)
  list(APPEND TESSARY_PROGRAMS tessary-check)
endif()
install(TARGETS ${TESSARY_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_BINARY_DIR}/src/license.txt DESTINATION ${TESSARY_LICENSE_DIR})
# The programs carry Qt (LGPL 3, with the libraries it bundles): its terms go with them.
set(TESSARY_EXTRA_FILES)
if(TESSARY_STATIC_QT)
  install(FILES ${TESSARY_QT_PREFIX}/licenses/Qt-debian-copyright.txt DESTINATION ${TESSARY_LICENSE_DIR}
          RENAME qt-copyright.txt)
  list(APPEND TESSARY_EXTRA_FILES ${TESSARY_LICENSE_DIR}/qt-copyright.txt)
endif()

if(UNIX AND NOT APPLE)
  configure_file(${TESSARY_DATA_DIR}/${TESSARY_APP_ID}.metainfo.xml
                 ${PROJECT_BINARY_DIR}/data/${TESSARY_APP_ID}.metainfo.xml @ONLY)
  # One manual page per program, installed compressed; -n keeps the archive free of a time stamp.
  set(manpages)
  foreach(program ${TESSARY_PROGRAMS})
    set(page ${PROJECT_BINARY_DIR}/data/${program}.1)
    configure_file(${TESSARY_DATA_DIR}/${program}.1.in ${page} @ONLY)
    add_custom_command(OUTPUT ${page}.gz COMMAND gzip -9nkf ${page} DEPENDS ${page} VERBATIM)
    list(APPEND manpages ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  add_custom_target(tessary-manpage ALL DEPENDS ${manpages})

  # The bitmap icons are drawn from the one hand-made SVG, so they never drift apart.
  find_program(RSVG_CONVERT rsvg-convert REQUIRED)
  set(icon_pngs)
  foreach(size ${TESSARY_ICON_SIZES})
    set(png ${PROJECT_BINARY_DIR}/data/icons/${size}/tessary-editor.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/data/icons/${size}
        COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${TESSARY_ICON_SVG}
        DEPENDS ${TESSARY_ICON_SVG} VERBATIM)
    list(APPEND icon_pngs ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(tessary-icons ALL DEPENDS ${icon_pngs})

  install(FILES ${TESSARY_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${TESSARY_DATA_DIR}/${TESSARY_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_BINARY_DIR}/data/${TESSARY_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${TESSARY_DATA_DIR}/tessary-editor-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME tessary-editor.xml)
endif()

# Debian package: `cpack -G DEB` in a build configured with CMAKE_INSTALL_PREFIX=/usr.
set(CPACK_PACKAGE_NAME tessary-editor)
set(CPACK_PACKAGE_VENDOR "Orland Works")
set(CPACK_PACKAGE_CONTACT "Orland Works <tessary-editor@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop editor for KiXtart scripts")
set(CPACK_PACKAGE_DESCRIPTION
    "Tessary Editor edits KiXtart scripts: syntax colouring, code tips, a macro list, header stamps on save, running and debugging scripts under Wine, code wizards, a Win32 error lookup and a variable list.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies are read from the binaries; the MIME, desktop and icon caches are refreshed by
# the dpkg triggers of shared-mime-info, desktop-file-utils and the icon theme, so no maintainer scripts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TESSARY_STATIC_QT)
  # Loaded when printing, so invisible to the library scan; packed relocations need glibc 2.36,
  # which the scan does not see either (no function comes with it).
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcups2")
  if(TESSARY_HAVE_PACKED_RELOCS)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libc6 (>= 2.36)")
  endif()
else()
  # Loaded as a Qt plugin, so invisible to the library scan: it draws the SVG icons.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine")
set(CPACK_GENERATOR DEB)
include(CPack)
