# `cmake --install`: the programs, the finder's user guide next to it (the Help command
# looks for <program>.html), a .desktop file and an SVG icon for each window program.
include(GNUInstallDirs)

foreach(program ravixfinder urlforge)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

if(RAVIX_BUILD_GUI)
  set(resources ${CMAKE_SOURCE_DIR}/gui/resources)
  install(FILES ${resources}/ravixfinder.html DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${resources}/desktop/ravixfinder.desktop ${resources}/desktop/urlforge.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${resources}/app/ravixfinder.svg ${resources}/desktop/urlforge.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
