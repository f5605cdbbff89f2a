# What a system install adds beyond the programs (manual pages, icons, the software-centre entry, the
# package's own documents), and the Debian package made of it all by CPack:
#   cmake --build build --target package   ->  build/tarnelo_<version>_<arch>.deb

set(_pkg ${PROJECT_SOURCE_DIR}/packaging)
find_program(GZIP_EXECUTABLE gzip REQUIRED)

# The manual pages, compressed as Debian keeps them. tarnelo-cli's is written from its own --help.
set(_man ${CMAKE_BINARY_DIR}/man)
add_custom_command(OUTPUT ${_man}/tarnelo-cli.1.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_man}
  COMMAND sh ${_pkg}/man/cli-manpage.sh $<TARGET_FILE:tarnelo-cli> > ${_man}/tarnelo-cli.1
  COMMAND ${GZIP_EXECUTABLE} -n -9 -f ${_man}/tarnelo-cli.1
  DEPENDS tarnelo-cli ${_pkg}/man/cli-manpage.sh
  COMMENT "Manual page tarnelo-cli(1) from its help")
add_custom_command(OUTPUT ${_man}/tarnelo.1.gz ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_man} ${CMAKE_BINARY_DIR}/packaging
  COMMAND ${GZIP_EXECUTABLE} -n -9 -c ${_pkg}/man/tarnelo.1 > ${_man}/tarnelo.1.gz
  COMMAND ${GZIP_EXECUTABLE} -n -9 -c ${_pkg}/changelog > ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DEPENDS ${_pkg}/man/tarnelo.1 ${_pkg}/changelog)
add_custom_target(tarnelo_manpages ALL DEPENDS ${_man}/tarnelo-cli.1.gz ${_man}/tarnelo.1.gz
  ${CMAKE_BINARY_DIR}/packaging/changelog.gz)

install(FILES ${_man}/tarnelo-cli.1.gz DESTINATION share/man/man1)
install(FILES ${_pkg}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION share/doc/tarnelo)
if(TARNELO_WITH_GUI)
  install(FILES ${_man}/tarnelo.1.gz DESTINATION share/man/man1)
  install(DIRECTORY ${_pkg}/icons/hicolor DESTINATION share/icons)
  install(FILES ${_pkg}/works.hexlow.Tarnelo.metainfo.xml DESTINATION share/metainfo)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnelo)
set(CPACK_PACKAGE_VENDOR Hexlow-Works)
set(CPACK_PACKAGE_CONTACT "Hexlow-Works <tarnelo@hexlow.works>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keep the moving stretches of a recording, cut out the still ones")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tarnelo is for long recordings in which little happens: security and
wildlife cameras, dash cams, lectures and screen captures. It finds the
stretches in which something moves, cuts each to its own MP4, and lets the
user review, caption and join them into one file, with cross-fades, a title
and a watermark. A second tab converts several videos to one size and frame
rate and joins them.

This package holds the desktop program (Qt 6) and tarnelo-cli, which does
the same from the command line, for whole folders of recordings.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://hexlow.works/tarnelo/")
# The libraries the programs link are found by dpkg-shlibdeps; ffmpeg is run, not linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What is loaded at run time rather than linked is named here: ffmpeg (run), the image codecs (opened by
# their shared object name, so their package is the one holding it on the build machine) and Qt's
# platform plugins (the window needs the X11 one).
set(_runtime_packages ffmpeg)
if(TARNELO_WITH_GUI)
  list(APPEND _runtime_packages qt6-qpa-plugins)
endif()
get_target_property(_codecs opencv_imgcodecs IMPORTED_LOCATION)
get_filename_component(_codecs ${_codecs} REALPATH)
execute_process(COMMAND dpkg-query -S ${_codecs} OUTPUT_VARIABLE _owner ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE
  RESULT_VARIABLE _found)
if(_found EQUAL 0)
  string(REGEX REPLACE "[:,].*" "" _owner "${_owner}")
  list(APPEND _runtime_packages ${_owner})
endif()
string(REPLACE ";" ", " CPACK_DEBIAN_PACKAGE_DEPENDS "${_runtime_packages}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
