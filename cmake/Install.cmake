# Installation and packages.
#   cmake --install build [--prefix DIR]    the system layout: bin/, share/zteditor/, ...
#   cmake --build build --target package    zteditor_<version>_<arch>.deb and the portable
#                                           folder zteditor_<version>_<arch>_portable.tar.gz
# The portable folder holds the programs and their data side by side, as the program expects
# when it runs in place; the system layout puts the data under share/zteditor/, from where
# each user's instance folder is seeded.
include(GNUInstallDirs)

set(ZT_PROGRAMS zteditor ztdevsim)
if(TARGET ztcfg)
  list(APPEND ZT_PROGRAMS ztcfg)
endif()
file(GLOB ZT_DATA_FILES LIST_DIRECTORIES false CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/install/*.Ini ${PROJECT_SOURCE_DIR}/install/*.Chn
  ${PROJECT_SOURCE_DIR}/install/*.Dat)
set(ZT_APP_ID org.zteditor.ZtEditor)
set(ZT_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
set(ZT_STAGE ${CMAKE_BINARY_DIR}/packaging)

# --- system layout ---
install(TARGETS ${ZT_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT system)
install(FILES ${ZT_DATA_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/zteditor COMPONENT system)
install(FILES ${ZT_PACKAGING}/${ZT_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT system)
configure_file(${ZT_PACKAGING}/${ZT_APP_ID}.metainfo.xml ${ZT_STAGE}/${ZT_APP_ID}.metainfo.xml
  @ONLY)
install(FILES ${ZT_STAGE}/${ZT_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT system)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${ZT_PACKAGING}/icons/zteditor-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME zteditor.png COMPONENT system)
endforeach()
file(GLOB ZT_COMPLETIONS LIST_DIRECTORIES false CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/install/completion/*)
if(ZT_COMPLETIONS)
  install(FILES ${ZT_COMPLETIONS}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT system)
endif()

# Man pages and the changelog are compressed as Debian wants them (gzip -9n: no name, no
# time stamp, so the package is the same on every build).
find_program(ZT_GZIP gzip REQUIRED)
file(GLOB ZT_MAN_PAGES LIST_DIRECTORIES false CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/install/man/*.1)
set(ZT_COMPRESSED)
foreach(page ${ZT_MAN_PAGES} ${ZT_PACKAGING}/changelog)
  get_filename_component(name ${page} NAME)
  configure_file(${page} ${ZT_STAGE}/${name} @ONLY)
  add_custom_command(OUTPUT ${ZT_STAGE}/${name}.gz
    COMMAND ${ZT_GZIP} -9nf -k ${ZT_STAGE}/${name}
    DEPENDS ${ZT_STAGE}/${name} VERBATIM)
  list(APPEND ZT_COMPRESSED ${ZT_STAGE}/${name}.gz)
  if(name MATCHES "\\.1$")
    install(FILES ${ZT_STAGE}/${name}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT system)
  endif()
endforeach()
add_custom_target(zt_compressed_docs ALL DEPENDS ${ZT_COMPRESSED})
if(BUILD_TESTING)
  # The pages as installed: each footer names the version, each JSON example parses.
  add_test(NAME manpages COMMAND ${PROJECT_SOURCE_DIR}/tests/install/manpages.sh
                                 ${ZT_STAGE} ${PROJECT_VERSION})
  set_tests_properties(manpages PROPERTIES LABELS unit)
endif()
install(FILES ${ZT_PACKAGING}/copyright ${ZT_STAGE}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zteditor COMPONENT system)

# --- portable folder: programs and data side by side, run in place ---
install(TARGETS ${ZT_PROGRAMS} RUNTIME DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES ${ZT_DATA_FILES} DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)

# --- packages ---
set(CPACK_PACKAGE_NAME zteditor)
set(CPACK_PACKAGE_VENDOR "ZT Editor maintainers")
set(CPACK_PACKAGE_CONTACT "ZT Editor maintainers <maintainers@users.noreply.c-seed-1aca4942.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration editor for ZT device installations")
set(CPACK_PACKAGE_DESCRIPTION
  "Edits the configuration of a ZT device (button codes, status texts, ACU
version, CAN bus address) over an RS-232 line, saves and loads it as data
files. Includes ztdevsim, a simulated device for trying the editor without one.")
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Which layout goes into which package is chosen per generator.
set(CPACK_PROJECT_CONFIG_FILE ${ZT_STAGE}/CPackLayouts.cmake)
file(WRITE ${ZT_STAGE}/CPackLayouts.cmake "
if(CPACK_GENERATOR STREQUAL \"TGZ\")
  set(CPACK_INSTALL_CMAKE_PROJECTS \"${CMAKE_BINARY_DIR};zteditor;portable;/\")
  execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(CPACK_PACKAGE_FILE_NAME \"zteditor_${PROJECT_VERSION}_\${arch}_portable\")
  set(CPACK_PACKAGING_INSTALL_PREFIX \"\")
else()
  set(CPACK_INSTALL_CMAKE_PROJECTS \"${CMAKE_BINARY_DIR};zteditor;system;/\")
endif()
")
include(CPack)
