# cmake --install: Mirlo and Launch side by side in <prefix>/lib/mirlo (Mirlo
# starts Launch from its own folder and back), bin/mirlo pointing at Mirlo,
# plus a desktop entry and an icon.
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

install(FILES ${PROJECT_SOURCE_DIR}/resources/mirlo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/mirlo.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
