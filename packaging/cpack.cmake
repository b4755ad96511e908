# The Debian package (scripts/package): `cpack -G DEB` in a tree configured for /usr.
set(LUMBRAST_MAINTAINER "Lumbrast developers <developers@lumbrast.org>")

# Files every Debian package carries in its documentation folder.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/lumbrast)
execute_process(COMMAND date -R -u -d "${LUMBRAST_RELEASE_DATE} 12:00"
  OUTPUT_VARIABLE LUMBRAST_RELEASE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in
  ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/packaging/changelog
  DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog VERBATIM)
add_custom_target(lumbrast_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  DESTINATION ${doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumbrast)
set(CPACK_PACKAGE_VENDOR "The Lumbrast developers")
set(CPACK_PACKAGE_CONTACT ${LUMBRAST_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pairs game for two players, each with a mouse of his own")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Lumbrast is a game of finding pairs for two people at one computer, each
with a mouse of his own plugged into it. It tells the mice apart through
the X server's raw input, so only the player to move may turn a piece.

Behind the game a style player composes its own background music and plays
it through FluidSynth. The package also holds lumbrast-music, a command line
workbench for writing styles and chord maps.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
# Library dependencies come from the binaries themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Data the programs open at run time: the music's SoundFont, the About
# window's stand-in for Arial and the event sounds; and the toolkit's Wayland
# platform plugin, loaded only in a Wayland session.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "timgm6mb-soundfont | fluid-soundfont-gm, fonts-urw-base35, sound-theme-freedesktop, qt6-wayland")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/build.*/" "/\\\\.git/")
include(CPack)
