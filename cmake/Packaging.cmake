# The Debian package: cpack -G DEB in the build folder makes
# lunvik_<version>_<arch>.deb of what `cmake --install` installs, below /usr.

set(CPACK_PACKAGE_NAME lunvik)
set(CPACK_PACKAGE_VENDOR "The Lunvik developers")
set(CPACK_PACKAGE_CONTACT "The Lunvik developers <developers@lunvik.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "prepare pictures for stencil screens and print them")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Folders 0755 whatever the umask of whoever builds the package.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://lunvik.example.org/")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Lunvik prepares print jobs for a device that images stencil screens for
screen printing and sends them to it over USB. A picture is placed on the
device's canvas, its gray turned into black by a threshold or a halftone
screen with a live preview, and printed; the device's status and maintenance
actions are at hand, and each job is saved as a document package.")
# The libraries the program links come from dpkg-shlibdeps; the Qt plug-ins
# it loads at run time are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-image-formats-plugins")
# The completion movie (H.264 in MP4) plays through GStreamer; native
# Wayland windows need Qt's Wayland plug-in.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Debian's policy wants the copyright and the changelog (compressed) in the
# package's documentation folder, and a manual page for the program.
set(debian_changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
set(manual_page ${CMAKE_BINARY_DIR}/packaging/Lunvik.1.gz)
foreach(pair "changelog;${debian_changelog}" "Lunvik.1;${manual_page}")
  list(GET pair 0 source)
  list(GET pair 1 compressed)
  add_custom_command(
    OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/app/packaging/${source} > ${compressed}
    DEPENDS ${CMAKE_SOURCE_DIR}/app/packaging/${source}
    VERBATIM)
endforeach()
add_custom_target(lunvik_packaging_documents ALL DEPENDS ${debian_changelog} ${manual_page})
install(FILES ${CMAKE_SOURCE_DIR}/app/packaging/copyright ${debian_changelog}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lunvik)
install(FILES ${manual_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

include(CPack)

# The package is made and checked among the tests (not in sanitized builds,
# whose programs are not the ones to ship).
if(LUNVIK_BUILD_TESTS AND NOT LUNVIK_SANITIZE AND NOT LUNVIK_BUILD_FUZZERS)
  add_test(NAME DebianPackage
           COMMAND ${CMAKE_SOURCE_DIR}/tools/package-check.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(DebianPackage PROPERTIES TIMEOUT 300)
endif()
