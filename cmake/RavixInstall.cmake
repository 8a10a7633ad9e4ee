# `cmake --install` and the Debian packages: the programs, the network helper and its
# polkit action (tools/netadmin), the finder's user guide in its documentation folder
# (where Help looks for it when the program is installed), a .desktop file, an SVG icon
# and an AppStream metainfo file for each window program, the manual pages (made from
# docs/man/*.scd by scdoc) and each package's copyright and changelog. The simulator is
# the component "camsim" (its own package); everything else is "ravixfinder".
include(GNUInstallDirs)

foreach(program ravixfinder urlforge)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
install(TARGETS ravix-camsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT camsim)

if(RAVIX_BUILD_GUI)
  # The finder's window module, where ravixfinder looks for it (shell/CMakeLists.txt).
  install(TARGETS ravixfinder_window LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/ravixfinder)
  set(resources ${CMAKE_SOURCE_DIR}/gui/resources)
  install(FILES ${resources}/ravixfinder.html DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ravixfinder)
  # urlforge's own .desktop file and icon are installed by urlforge/.
  install(FILES ${resources}/desktop/ravixfinder.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${resources}/app/ravixfinder.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(component RavixFinder UrlForge)
    set(metainfo com.zorvik_vision.${component}.metainfo.xml)
    configure_file(${CMAKE_SOURCE_DIR}/docs/metainfo/${metainfo} ${CMAKE_BINARY_DIR}/metainfo/${metainfo} @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/metainfo/${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  endforeach()
endif()

# Manual pages: docs/man/<page>.1.scd -> <build>/man/<page>.1, installed gzip-compressed.
find_program(RAVIX_SCDOC scdoc)
find_program(RAVIX_GZIP gzip)
set(RAVIX_MAN_PAGES ravixfinder urlforge ravix-camsim)
set(RAVIX_MAN_DIR ${CMAKE_BINARY_DIR}/man CACHE INTERNAL "where the manual pages are made")
if(RAVIX_SCDOC AND RAVIX_GZIP)
  set(man_outputs "")
  foreach(page ${RAVIX_MAN_PAGES})
    set(source ${CMAKE_SOURCE_DIR}/docs/man/${page}.1.scd)
    set(output ${RAVIX_MAN_DIR}/${page}.1)
    add_custom_command(OUTPUT ${output} ${output}.gz
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${RAVIX_MAN_DIR}
                       COMMAND ${RAVIX_SCDOC} < ${source} > ${output}
                       COMMAND ${RAVIX_GZIP} -9nc ${output} > ${output}.gz
                       DEPENDS ${source}
                       COMMENT "Manual page ${page}(1)"
                       VERBATIM)
    list(APPEND man_outputs ${output} ${output}.gz)
    set(component ravixfinder)
    if(page STREQUAL "ravix-camsim")
      set(component camsim)
    endif()
    install(FILES ${output}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
  endforeach()
  add_custom_target(man_pages ALL DEPENDS ${man_outputs})
else()
  message(WARNING "scdoc or gzip not found (scripts/install-deps.sh installs them): no manual pages")
endif()

# What Debian asks of every package: the copyright and a compressed changelog (of a
# native package: the version has no Debian revision).
set(changelog ${CMAKE_BINARY_DIR}/changelog.gz)
string(TIMESTAMP changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${CMAKE_BINARY_DIR}/changelog
     "ravixfinder (${PROJECT_VERSION}) stable; urgency=medium\n\n"
     "  * Release ${PROJECT_VERSION}.\n\n"
     " -- Zorvik Vision Components <support@zorvik-vision.com>  ${changelog_date}\n")
execute_process(COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/changelog)
install(FILES ${changelog} ${CMAKE_SOURCE_DIR}/docs/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ravixfinder)
install(FILES ${changelog} ${CMAKE_SOURCE_DIR}/docs/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ravix-camsim
        COMPONENT camsim)
