# How the program lays itself out when installed (`cmake --install build --prefix P`), and the
# Debian package built from the same rules (`cpack -G DEB` in the build directory). The program
# finds its resources in ../share/quillane beside its own directory, so any prefix works.
include(GNUInstallDirs)

set(QLN_SERVICE_PORT 8517 CACHE STRING "Port of the user service's settings server")
set(QLN_DIST_DIR ${CMAKE_SOURCE_DIR}/dist)
set(QLN_DIST_BINARY_DIR ${CMAKE_BINARY_DIR}/dist)

install(TARGETS quillane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The image decoder: where the program looks for it, ../lib/quillane beside its own folder.
install(TARGETS quillane-image-decoder RUNTIME DESTINATION lib/quillane)

set(QLN_RESOURCE_EXCLUDES PATTERN tests EXCLUDE PATTERN tools EXCLUDE PATTERN package.json EXCLUDE
  PATTERN README.md EXCLUDE PATTERN node_modules EXCLUDE PATTERN .* EXCLUDE)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/Quillane.bundle ${CMAKE_SOURCE_DIR}/resources/device
  ${CMAKE_SOURCE_DIR}/resources/web
  DESTINATION ${CMAKE_INSTALL_DATADIR}/quillane ${QLN_RESOURCE_EXCLUDES})
# The simulated device's SpringBoard restart program keeps its mode.
install(PROGRAMS ${CMAKE_SOURCE_DIR}/resources/device/usr-bin-sbreload
  DESTINATION ${CMAKE_INSTALL_DATADIR}/quillane/device)

# Compressed without a time stamp, as Debian wants manual pages and change logs.
function(qln_gzip input output)
  add_custom_command(OUTPUT ${output}
    COMMAND gzip -9nc ${input} > ${output}
    DEPENDS ${input} VERBATIM)
endfunction()
configure_file(${QLN_DIST_DIR}/man/quillane.1.in ${QLN_DIST_BINARY_DIR}/quillane.1 @ONLY)
qln_gzip(${QLN_DIST_BINARY_DIR}/quillane.1 ${QLN_DIST_BINARY_DIR}/quillane.1.gz)
qln_gzip(${QLN_DIST_DIR}/changelog ${QLN_DIST_BINARY_DIR}/changelog.gz)
add_custom_target(qln_dist ALL DEPENDS ${QLN_DIST_BINARY_DIR}/quillane.1.gz ${QLN_DIST_BINARY_DIR}/changelog.gz)

install(FILES ${QLN_DIST_BINARY_DIR}/quillane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${QLN_DIST_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

install(FILES ${QLN_DIST_DIR}/completions/quillane.bash
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quillane)
install(FILES ${QLN_DIST_DIR}/completions/quillane.fish
  DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
# Debian's zsh reads the completions of packages from vendor-completions, and those of a local
# prefix from site-functions; the prefix is known only when installing (the package's is /usr).
install(CODE "
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(zsh_folder vendor-completions)
  else()
    set(zsh_folder site-functions)
  endif()
  file(INSTALL ${QLN_DIST_DIR}/completions/_quillane
    DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/zsh/\${zsh_folder}\")
")

install(FILES ${QLN_DIST_DIR}/quillane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QLN_DIST_DIR}/quillane.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The user unit names the installed program, so it is written at install time, when the prefix
# (which `cmake --install --prefix` may change) is known.
install(CODE "
  set(QLN_INSTALL_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  set(QLN_SERVICE_PORT ${QLN_SERVICE_PORT})
  configure_file(${QLN_DIST_DIR}/quillane.service.in ${QLN_DIST_BINARY_DIR}/quillane.service @ONLY)
")
install(FILES ${QLN_DIST_BINARY_DIR}/quillane.service DESTINATION lib/systemd/user)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillane settings authors")
set(CPACK_PACKAGE_CONTACT "The Quillane settings authors <authors@quillane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "design an iOS Control Center theme in the browser")
set(CPACK_PACKAGE_DESCRIPTION "Quillane recolours the Control Center of jailbroken iPhones. This program runs
its settings on a simulated device and shows them in a web browser beside a
live picture of Control Center, so that a theme can be designed on a big
screen and carried to the phone as a one-line exchange string.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, dbus-user-session")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_SOURCE_IGNORE_FILES "/build.*/;/\\\\.git/;/node_modules/")
include(CPack)
