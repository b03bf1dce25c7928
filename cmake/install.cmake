# What `cmake --install` puts in place on Linux: both programs, the desktop
# entry with the program's icon, the manual pages and the README.
#
# The version (QUORVISH_VERSION, read from resources/resource.h by the top
# CMakeLists.txt) is the one the program shows.
set(CMAKE_INSTALL_DOCDIR share/doc/quorvish-telnet CACHE PATH "Documentation (DOCDIR)")
include(GNUInstallDirs)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/resource.h)

set(packaging ${CMAKE_SOURCE_DIR}/packaging)
set(staged ${CMAKE_BINARY_DIR}/packaging)

foreach(target quorvish-telnet quorvish-headless)
  if(TARGET ${target})
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

foreach(page quorvish-telnet.1 quorvish-headless.1)
  configure_file(${packaging}/${page}.in ${staged}/${page} @ONLY)
  install(FILES ${staged}/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# The icon theme's pictures are the images of the Windows program's icon, at
# every size it holds, taken out of it whenever it changes.
add_custom_command(OUTPUT ${staged}/icons.stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${staged}/hicolor
  COMMAND ${Python3_EXECUTABLE} ${packaging}/ico-to-png.py
          ${CMAKE_SOURCE_DIR}/resources/quorvish.ico quorvish-telnet ${staged}/hicolor
  COMMAND ${CMAKE_COMMAND} -E touch ${staged}/icons.stamp
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/quorvish.ico ${packaging}/ico-to-png.py
  COMMENT "Icon theme pictures from resources/quorvish.ico")
add_custom_target(quorvish-icons ALL DEPENDS ${staged}/icons.stamp)
install(DIRECTORY ${staged}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

install(FILES ${packaging}/quorvish-telnet.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
