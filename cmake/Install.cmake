# An installed copy looks like the built program folder: lib/frobnik/ holds
# the program with its data beside it, bin/frobnik links to it, and the
# desktop entry and icons go where desktops look for them. The data, the same
# on every architecture, lives in share/frobnik/ and the program folder links
# to it, so the program still finds everything beside itself.
include(GNUInstallDirs)
set(FROBNIK_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/frobnik)
if(CMAKE_INSTALL_LIBDIR MATCHES "^lib/")
  # Multi-arch lib folders are for libraries; the program folder stays plain.
  set(FROBNIK_INSTALL_DIR lib/frobnik)
endif()
set(FROBNIK_DATA_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/frobnik)

if(TARGET frobnik)
  install(TARGETS frobnik RUNTIME DESTINATION ${FROBNIK_INSTALL_DIR})
  # What a distribution's strip also drops: the compiler's signature and notes.
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${FROBNIK_INSTALL_DIR}/frobnik\")
    endif()
  ")
endif()
set(_data_items presets.xml Languages images Sounds help)
install(FILES ${CMAKE_SOURCE_DIR}/data/presets.xml DESTINATION ${FROBNIK_DATA_INSTALL_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/Languages ${CMAKE_SOURCE_DIR}/data/images
                  ${CMAKE_SOURCE_DIR}/data/Sounds ${CMAKE_SOURCE_DIR}/data/help
        DESTINATION ${FROBNIK_DATA_INSTALL_DIR}
        PATTERN ".keep" EXCLUDE)

# Relative links, so the installed tree can be moved or packaged.
file(RELATIVE_PATH _data_from_program /p/${FROBNIK_INSTALL_DIR} /p/${FROBNIK_DATA_INSTALL_DIR})
install(CODE "
  set(_root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  file(MAKE_DIRECTORY \"\${_root}/${CMAKE_INSTALL_BINDIR}\" \"\${_root}/${FROBNIK_INSTALL_DIR}\")
  file(CREATE_LINK \"../${FROBNIK_INSTALL_DIR}/frobnik\" \"\${_root}/${CMAKE_INSTALL_BINDIR}/frobnik\"
       SYMBOLIC)
  # Recorded like installed files, so install_manifest.txt lists everything to remove.
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${_root}/${CMAKE_INSTALL_BINDIR}/frobnik\")
  foreach(_item ${_data_items})
    file(CREATE_LINK \"${_data_from_program}/\${_item}\" \"\${_root}/${FROBNIK_INSTALL_DIR}/\${_item}\"
         SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${_root}/${FROBNIK_INSTALL_DIR}/\${_item}\")
  endforeach()
")

# What a desktop and a distribution look for: the desktop entry, icons, the
# software-centre entry, the manual page, the copyright and the changelog.
# The generated ones take the version from the project.
set(_dist ${CMAKE_SOURCE_DIR}/dist)
set(_dist_out ${CMAKE_BINARY_DIR}/dist)
set(_desktop ${_dist}/${FROBNIK_APP_ID}.desktop)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_desktop})

# The software centre is told the desktop entry's own MIME types and categories.
function(frobnik_desktop_list key element out)
  file(STRINGS ${_desktop} _line REGEX "^${key}=")
  string(REGEX REPLACE "^${key}=" "" _line "${_line}")
  # file(STRINGS) escapes the semicolons; unescaped they make the list.
  string(REPLACE "\\;" ";" _items "${_line}")
  set(_xml "")
  foreach(_item IN LISTS _items)
    if(_item)
      string(APPEND _xml "    <${element}>${_item}</${element}>\n")
    endif()
  endforeach()
  string(REGEX REPLACE "\n$" "" _xml "${_xml}")
  set(${out} "${_xml}" PARENT_SCOPE)
endfunction()
frobnik_desktop_list(MimeType mediatype FROBNIK_METAINFO_MEDIATYPES)
frobnik_desktop_list(Categories category FROBNIK_METAINFO_CATEGORIES)

execute_process(COMMAND date -u -R -d "${FROBNIK_RELEASE_DATE} 12:00"
                OUTPUT_VARIABLE FROBNIK_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE)

configure_file(${_dist}/metainfo.xml.in ${_dist_out}/${FROBNIK_APP_ID}.metainfo.xml @ONLY)
configure_file(${_dist}/frobnik.1.in ${_dist_out}/frobnik.1 @ONLY)
configure_file(${_dist}/changelog.in ${_dist_out}/changelog @ONLY)

# Manual pages and changelogs are shipped compressed, without a time stamp in
# the header so that two builds give the same bytes.
set(_compressed)
foreach(_file frobnik.1 changelog)
  add_custom_command(OUTPUT ${_dist_out}/${_file}.gz
    COMMAND gzip -9nkf ${_dist_out}/${_file}
    DEPENDS ${_dist_out}/${_file} ${_dist}/${_file}.in
    VERBATIM)
  list(APPEND _compressed ${_dist_out}/${_file}.gz)
endforeach()
add_custom_target(frobnik_dist ALL DEPENDS ${_compressed})

install(FILES ${_desktop} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${_dist_out}/${FROBNIK_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_dist_out}/frobnik.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Named after the package, where Debian's tools look for them.
install(FILES ${_dist}/copyright ${_dist_out}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/frobnik)
# The package checker's findings that are meant so, each with its reason.
install(FILES ${_dist}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME frobnik)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME frobnik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Frobnik developers <support@frobnik.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop video and audio converter")
set(CPACK_PACKAGE_DESCRIPTION "\
Frobnik converts a video or audio file, a folder of media files or a DVD
VIDEO_TS folder to MP4, WEBM, FLV, MKV, MPG, AVI, MOV, WMV, 3GP, MP3, AAC
or FLAC, or with ready settings for phones, tablets, TVs, game consoles,
the web and e-mail. It drives the ffmpeg encoder, shows the progress in its
window and on the dock, and lets the user stop a conversion.

Download managers can start it with options that name the file, the format
and automatic operation; it then converts by itself, also without a
display, and tells the download manager when the file is ready.

The interface is in English and Russian.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.frobnik.example.org/")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ffmpeg")
# The result sounds are played by whichever of the two players is there; links
# and help pages open in the desktop's browser; Qt's own dialogs speak the
# interface language with its translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "pulseaudio-utils | alsa-utils, xdg-utils, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
