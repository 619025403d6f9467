# The Debian package: `cpack -G DEB` in the build folder. Dependencies come from
# dpkg-shlibdeps, plus what the program loads only at run time: the MP3 encoder, the
# GStreamer plugins that play MP3 and WMA recordings, and a font for the Chinese and
# Japanese texts.
include(GNUInstallDirs)

set(VORLANE_PACKAGE_MAINTAINER "Vorlane developers <vorlane@example.org>" CACHE STRING
    "Maintainer field of the Debian package")

# The changelog and copyright file that Debian expects beside every package.
set(vorlane_doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/vorlane)
configure_file(${CMAKE_SOURCE_DIR}/tools/debian/changelog.in ${CMAKE_BINARY_DIR}/package/changelog @ONLY)
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/package/changelog.gz
    COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/package/changelog
    DEPENDS ${CMAKE_BINARY_DIR}/package/changelog
    VERBATIM)
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/package/vorlane.1.gz
    COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/tools/debian/vorlane.1 > ${CMAKE_BINARY_DIR}/package/vorlane.1.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/debian/vorlane.1)
add_custom_target(vorlane_package_docs ALL
    DEPENDS ${CMAKE_BINARY_DIR}/package/changelog.gz ${CMAKE_BINARY_DIR}/package/vorlane.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/package/changelog.gz ${CMAKE_SOURCE_DIR}/tools/debian/copyright
        DESTINATION ${vorlane_doc_dir})
install(FILES ${CMAKE_BINARY_DIR}/package/vorlane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vorlane developers")
set(CPACK_PACKAGE_CONTACT "${VORLANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "recorder for USB turntables and audio adapters")
# CPack puts the summary first; this is the long description under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vorlane records the sound of a USB turntable or USB audio adapter to WAV,
MP3, WMA or FLAC files. It shows a waveform and level meters, plays the sound while
recording, divides recordings into tracks by hand, by time or on silence,
tags every file and keeps a catalogue with a browser that plays them.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VORLANE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# playbin and the audio sinks (base); MP3 and FLAC decoding, scaletempo, the Pulse sink
# (good); the
# ASF demuxer (ugly) and the WMA decoder (libav).
set(vorlane_runtime_depends
    libmp3lame0
    gstreamer1.0-plugins-base
    gstreamer1.0-plugins-good
    gstreamer1.0-plugins-ugly
    gstreamer1.0-libav
    qt6-qpa-plugins
    "fonts-wqy-microhei | fonts-noto-cjk")
list(JOIN vorlane_runtime_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# The way to a card that the desktop's sound server holds; the panel on a Wayland desktop
# without going through XWayland; Qt's own buttons and file dialog in the chosen language
# (without it they stay in English and the program works as before).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libasound2-plugins, qt6-wayland, qt6-translations-l10n")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
