# Where an installed Velvaro lives, and its Debian package:
#   cmake --install build --prefix /usr     (or DESTDIR=... for a staged tree)
#   scripts/package                         makes build/velvaro_<version>_<arch>.deb
include(GNUInstallDirs)

# The DVD check runs beside the program, where the engine looks for it first.
install(TARGETS velvaro velvaro-dvdcheck RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The player's own decoders, loaded at run time.
install(TARGETS velvaro-decoders LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/velvaro)
# A stripped install (the package) also drops the compilers' .comment notes,
# as Debian's own packages do.
install(CODE "set(velvaro_objcopy \"${CMAKE_OBJCOPY}\")
    set(velvaro_binaries bin/velvaro bin/velvaro-dvdcheck
        ${CMAKE_INSTALL_LIBDIR}/velvaro/velvaro-decoders.so)")
install(CODE [[
    if(CMAKE_INSTALL_DO_STRIP)
        foreach(binary ${velvaro_binaries})
            execute_process(COMMAND ${velvaro_objcopy} --remove-section=.comment
                "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${binary}" COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
    endif()
]])
# Language files beyond the built-in ones are read from the program's folder
# and the user's data folder; the built-in ones ship inside the program.
install(FILES res/desktop/velvaro.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES res/desktop/org.velvaro.velvaro.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The type of Velvaro's playlists, which the shared MIME database lacks.
install(FILES res/desktop/velvaro-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME velvaro.xml)

# What Debian asks of every package: the changelog and copyright, and a manual
# page for each program, compressed as dpkg would compress them.
file(STRINGS res/package/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^velvaro \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "res/package/changelog does not begin with version ${PROJECT_VERSION}")
endif()
set(package_docs ${PROJECT_BINARY_DIR}/package)
set(compressed)
foreach(page velvaro.1 velvaro-dvdcheck.1)
    configure_file(res/package/${page} ${package_docs}/${page} @ONLY)
    list(APPEND compressed ${page})
endforeach()
configure_file(res/package/changelog ${package_docs}/changelog COPYONLY)
list(APPEND compressed changelog)
set(compressed_files)
foreach(name ${compressed})
    add_custom_command(OUTPUT ${package_docs}/${name}.gz
        COMMAND gzip -9nc ${name} > ${name}.gz
        DEPENDS ${package_docs}/${name}
        WORKING_DIRECTORY ${package_docs})
    list(APPEND compressed_files ${package_docs}/${name}.gz)
endforeach()
add_custom_target(velvaro_package_docs ALL DEPENDS ${compressed_files})
install(FILES ${package_docs}/velvaro.1.gz ${package_docs}/velvaro-dvdcheck.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${package_docs}/changelog.gz res/package/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/velvaro)
install(FILES res/package/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME velvaro)
foreach(size 16 32 48 64 128 256)
    install(FILES ${PROJECT_BINARY_DIR}/res/art/drawn/velvaro-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME velvaro.png)
endforeach()

# The AppStream file has a release entry for this version and shows the demo's
# screenshot of it, made by `velvaro_screenshot` for the release's web page.
set(metainfo ${PROJECT_SOURCE_DIR}/res/desktop/org.velvaro.velvaro.metainfo.xml)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${metainfo})
file(READ ${metainfo} metainfo_text)
foreach(expected "<release version=\"${PROJECT_VERSION}\""
                 "/screenshots/velvaro-${PROJECT_VERSION}.png<")
    string(FIND "${metainfo_text}" "${expected}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${metainfo} lacks ${expected}")
    endif()
endforeach()
set(screenshot ${PROJECT_BINARY_DIR}/appstream/velvaro-${PROJECT_VERSION}.png)
add_custom_command(OUTPUT ${screenshot}
    COMMAND ${PROJECT_SOURCE_DIR}/tools/make-screenshot $<TARGET_FILE:velvaro> ${screenshot}
            ${PROJECT_BINARY_DIR}/appstream/home ${PROJECT_BINARY_DIR}/demo/velvaro-demo.mkv
    DEPENDS velvaro velvaro-decoders ${PROJECT_SOURCE_DIR}/tools/make-screenshot
    COMMENT "Taking the AppStream screenshot")
add_custom_target(velvaro_screenshot DEPENDS ${screenshot})
add_dependencies(velvaro_screenshot velvaro_demo_clip)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velvaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velvaro developers")
set(CPACK_PACKAGE_CONTACT "Velvaro developers <support@velvaro.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "media player for video and audio files, DVDs and playlists")
set(CPACK_PACKAGE_DESCRIPTION
    "Velvaro plays video and audio files, DVD-Video discs and folders, Video CDs\nand the media of any folder in one window.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://velvaro.org/)
# The libraries it links come from dpkg-shlibdeps; GStreamer's plugins are
# loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-libav, gstreamer1.0-x, gstreamer1.0-alsa | gstreamer1.0-pulseaudio, qt6-qpa-plugins, shared-mime-info, desktop-file-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-ugly, xdg-utils, qt6-wayland")
include(CPack)
