# Desktop integration on Linux: the icon in every drawn size and the menu entry, whose command is
# the installed program. The prefix is only known when installing (cmake --install --prefix), so
# the entry is written then, from resources/rangwerk.desktop.in.
if(UNIX AND NOT APPLE)
  foreach(size 16 24 32 48)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/resources/rangwerk-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
      RENAME rangwerk.png)
  endforeach()

  install(CODE "
    set(template \"${CMAKE_CURRENT_LIST_DIR}/resources/rangwerk.desktop.in\")
    set(bindir \"${CMAKE_INSTALL_BINDIR}\")
    set(datadir \"${CMAKE_INSTALL_DATADIR}\")
    include(\"${CMAKE_CURRENT_LIST_DIR}/desktop_entry.cmake\")
  ")
endif()
