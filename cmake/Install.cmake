# An installed copy looks like the built program folder: lib/frobnik/ holds
# the program with its data beside it, bin/frobnik links to it, and the
# desktop entry and icons go where desktops look for them.
include(GNUInstallDirs)
set(FROBNIK_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/frobnik)
if(CMAKE_INSTALL_LIBDIR MATCHES "^lib/")
  # Multi-arch lib folders are for libraries; the program folder stays plain.
  set(FROBNIK_INSTALL_DIR lib/frobnik)
endif()

if(TARGET frobnik)
  install(TARGETS frobnik RUNTIME DESTINATION ${FROBNIK_INSTALL_DIR})
endif()
install(FILES ${CMAKE_SOURCE_DIR}/data/presets.xml DESTINATION ${FROBNIK_INSTALL_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/Languages ${CMAKE_SOURCE_DIR}/data/images
                  ${CMAKE_SOURCE_DIR}/data/Sounds ${CMAKE_SOURCE_DIR}/data/help
        DESTINATION ${FROBNIK_INSTALL_DIR}
        PATTERN ".keep" EXCLUDE)

# A relative link, so the installed tree can be moved or packaged.
install(CODE "
  set(_bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(MAKE_DIRECTORY \"\${_bin}\")
  file(CREATE_LINK \"../${FROBNIK_INSTALL_DIR}/frobnik\" \"\${_bin}/frobnik\" SYMBOLIC)
")

install(FILES ${CMAKE_SOURCE_DIR}/data/frobnik.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME frobnik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Frobnik developers <support@frobnik.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop video and audio converter")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ffmpeg")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
