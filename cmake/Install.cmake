# Where an installed Velvaro lives, and its Debian package:
#   cmake --install build --prefix /usr     (or DESTDIR=... for a staged tree)
#   scripts/package                         makes build/velvaro_<version>_<arch>.deb
include(GNUInstallDirs)

# The DVD check runs beside the program, where the engine looks for it first.
install(TARGETS velvaro velvaro-dvdcheck RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The player's own decoders, loaded at run time.
install(TARGETS velvaro-decoders LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/velvaro)
# Language files beyond the built-in ones are read from the program's folder
# and the user's data folder; the built-in ones ship inside the program.
install(FILES res/desktop/velvaro.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES res/desktop/org.velvaro.Velvaro.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
    install(FILES ${PROJECT_BINARY_DIR}/res/art/drawn/velvaro-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME velvaro.png)
endforeach()

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
