# cmake --install: Mirlo and Launch side by side in <prefix>/lib/mirlo (Mirlo
# starts Launch from its own folder and back), bin/mirlo pointing at Mirlo,
# the desktop entry, the icon at every size, the manual pages, the AppStream
# metadata, and the settings file shared by every user in the system's
# configuration folder (/etc/mirlo for the prefix /usr, else <prefix>/etc/mirlo:
# platform::SharedSettingsFolder finds it there).
include(GNUInstallDirs)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(MIRLO_INSTALL_DIR lib/mirlo)

install(TARGETS Mirlo Launch RUNTIME DESTINATION ${MIRLO_INSTALL_DIR})

# The program folder is where the executable really lives, so a symbolic link
# on PATH is enough: Qt resolves it to lib/mirlo.
install(CODE "
  set(bindir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(MAKE_DIRECTORY \"\${bindir}\")
  file(REMOVE \"\${bindir}/mirlo\")
  file(RELATIVE_PATH target \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\"
       \"\${CMAKE_INSTALL_PREFIX}/${MIRLO_INSTALL_DIR}/Mirlo\")
  message(STATUS \"Installing: \${bindir}/mirlo -> \${target}\")
  file(CREATE_LINK \"\${target}\" \"\${bindir}/mirlo\" SYMBOLIC)
")

# The French guide beside the programs, where Mirlo looks for it.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/help/ DESTINATION ${MIRLO_INSTALL_DIR}/help
        FILES_MATCHING PATTERN "*.html" PATTERN "*.css")

install(FILES ${PROJECT_SOURCE_DIR}/resources/mirlo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# Generated files: the icon drawn at each size by resources/make_icon.py, and
# the manual pages and the changelog compressed as Debian wants them.
set(generated ${PROJECT_BINARY_DIR}/installed)
set(make_icon ${PROJECT_SOURCE_DIR}/resources/make_icon.py)
set(generated_files)
foreach(size 48 64 128 256)
  set(png ${generated}/icons/${size}x${size}/mirlo.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}/icons/${size}x${size}
    COMMAND Python3::Interpreter ${make_icon} ${size} ${png}
    DEPENDS ${make_icon} VERBATIM)
  list(APPEND generated_files ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
set(svg ${generated}/icons/scalable/mirlo.svg)
add_custom_command(OUTPUT ${svg}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}/icons/scalable
  COMMAND Python3::Interpreter ${make_icon} --svg ${svg}
  DEPENDS ${make_icon} VERBATIM)
list(APPEND generated_files ${svg})
install(FILES ${svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Dates follow SOURCE_DATE_EPOCH when it is set, for reproducible packages.
string(TIMESTAMP MIRLO_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
string(TIMESTAMP MIRLO_RELEASE_DATE "%Y-%m-%d" UTC)
set(packaging ${PROJECT_SOURCE_DIR}/packaging)
foreach(page mirlo.1 mirlo-launch.1)
  configure_file(${packaging}/man/${page} ${generated}/man/${page} @ONLY)
endforeach()
configure_file(${packaging}/debian/changelog.in ${generated}/doc/changelog @ONLY)
foreach(file man/mirlo.1 man/mirlo-launch.1 doc/changelog)
  add_custom_command(OUTPUT ${generated}/${file}.gz
    COMMAND gzip -9nkf ${generated}/${file}
    DEPENDS ${generated}/${file} VERBATIM)
  list(APPEND generated_files ${generated}/${file}.gz)
endforeach()
add_custom_target(mirlo_installed_files ALL DEPENDS ${generated_files})
install(FILES ${generated}/man/mirlo.1.gz ${generated}/man/mirlo-launch.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging}/debian/copyright ${generated}/doc/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/mirlo)
configure_file(${packaging}/fr.mirlo_ecole.mirlo.metainfo.xml
               ${generated}/fr.mirlo_ecole.mirlo.metainfo.xml @ONLY)
install(FILES ${generated}/fr.mirlo_ecole.mirlo.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The shared settings file. Installed only when absent, so a school's own
# settings survive a reinstall. It is a regular file, never a link: Mirlo
# refuses settings files reached through a link. The Debian package marks it
# as a configuration file, so edits survive upgrades.
install(CODE "
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(folder /etc/mirlo)
  else()
    set(folder \"\${CMAKE_INSTALL_PREFIX}/etc/mirlo\")
  endif()
  if(NOT EXISTS \"\$ENV{DESTDIR}\${folder}/Mirlox.ini\")
    file(INSTALL \"${PROJECT_SOURCE_DIR}/resources/Mirlox.ini\" DESTINATION \"\${folder}\")
  else()
    message(STATUS \"Kept: \$ENV{DESTDIR}\${folder}/Mirlox.ini\")
  endif()
")
