# The Debian package: `make package` (cpack in build/) makes
# build/youranmusic_<version>_<arch>.deb with everything `make install` lays
# out, the AppStream file and the documentation Debian asks for.

install(FILES ${PROJECT_SOURCE_DIR}/assets/desktop/${YOURAN_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian wants the changelog and the manual pages compressed at the highest
# level and without a time stamp in the gzip header, so that two builds give
# the same bytes.
set(youran_gzipped)
foreach(name changelog youranmusic.1 youranmusic-cli.1)
  set(gz ${PROJECT_BINARY_DIR}/packaging/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
    COMMAND sh -c "gzip -9n -c '${CMAKE_CURRENT_LIST_DIR}/${name}' > '${gz}'"
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${name} VERBATIM)
  list(APPEND youran_gzipped ${gz})
endforeach()
add_custom_target(youran_packaging_files ALL DEPENDS ${youran_gzipped})
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${CMAKE_CURRENT_LIST_DIR}/copyright
              ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/youranmusic)
install(FILES ${PROJECT_BINARY_DIR}/packaging/youranmusic.1.gz ${PROJECT_BINARY_DIR}/packaging/youranmusic-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME youranmusic)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The 悠然音乐 6 developers <maintainers@users.noreply.c-seed-262dce30.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop music player with lyrics and a Chinese interface")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_CURRENT_LIST_DIR}/description.txt)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps sees what the programs link; the MIDI plug-in's SoundFont
# and the interface's CJK font are only opened at run time.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fluid-soundfont-gm | timgm6mb-soundfont, fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "playerctl")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
