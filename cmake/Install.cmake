# cmake --install: Mirlo and Launch side by side in <prefix>/lib/mirlo (Mirlo
# starts Launch from its own folder and back), bin/mirlo pointing at Mirlo,
# plus a desktop entry, an icon and the settings file shared by every user.
include(GNUInstallDirs)

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
install(FILES ${PROJECT_SOURCE_DIR}/resources/mirlo.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)

# The shared settings file (Mirlox.ini in the program folder). Installed only
# when absent, so a school's own settings survive a reinstall. It is a regular
# file, never a link: Mirlo refuses settings files reached through a link. The
# Debian package marks it as a configuration file, so edits survive upgrades.
install(CODE "
  set(default \"${PROJECT_SOURCE_DIR}/resources/Mirlox.ini\")
  set(folder \"\${CMAKE_INSTALL_PREFIX}/${MIRLO_INSTALL_DIR}\")
  set(file \"\${folder}/Mirlox.ini\")
  if(NOT EXISTS \"\$ENV{DESTDIR}\${file}\")
    get_filename_component(dir \"\${file}\" DIRECTORY)
    file(INSTALL \"\${default}\" DESTINATION \"\${dir}\")
  else()
    message(STATUS \"Kept: \$ENV{DESTDIR}\${file}\")
  endif()
")
