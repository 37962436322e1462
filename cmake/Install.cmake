# Installation: `cmake --install build --prefix P` lays out
#   P/lib/marivel/        the program folder: marivel, marivel-publish,
#                         tessaline.js, help/, samples/ (published at build
#                         time), templates/ and installed.txt, which tells the
#                         program to write into each user's folder instead
#   P/bin/                marivel and marivel-publish, links to the above (the
#                         programs find their folder through the link)
#   P/share/              the desktop entry, the MIME type of *.mvl, the icon
#                         in the hicolor theme, the AppStream metainfo, man
#                         pages and the package's copyright and changelog
# and `cpack -G DEB` in the build folder packs the same tree for /usr.
set(MARIVEL_INSTALL_PROGRAM_DIR lib/marivel)
set(MARIVEL_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(MARIVEL_STAGE ${CMAKE_BINARY_DIR}/packaging)
# Debian wants directories 0755 whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# --- the program folder --------------------------------------------------------------
set(marivel_programs marivel-publish)
if(MARIVEL_BUILD_GUI)
  list(APPEND marivel_programs marivel)
endif()
install(TARGETS ${marivel_programs} RUNTIME DESTINATION ${MARIVEL_INSTALL_PROGRAM_DIR})
install(FILES ${MARIVEL_PROGRAM_DIR}/tessaline.js ${MARIVEL_PACKAGING}/installed.txt
  DESTINATION ${MARIVEL_INSTALL_PROGRAM_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/help ${CMAKE_SOURCE_DIR}/resources/templates
  DESTINATION ${MARIVEL_INSTALL_PROGRAM_DIR})
# The sample as the build published it: the project, its pictures and its
# page with the scripts and prepared pictures beside it.
install(DIRECTORY ${MARIVEL_SAMPLE_DIR} DESTINATION ${MARIVEL_INSTALL_PROGRAM_DIR})

# --- launchers -------------------------------------------------------------------------
# Relative links, so the tree works under any prefix and inside the package.
file(MAKE_DIRECTORY ${MARIVEL_STAGE}/bin)
foreach(program IN LISTS marivel_programs)
  file(CREATE_LINK ../${MARIVEL_INSTALL_PROGRAM_DIR}/${program} ${MARIVEL_STAGE}/bin/${program} SYMBOLIC)
  install(FILES ${MARIVEL_STAGE}/bin/${program} DESTINATION bin)
endforeach()

# --- desktop integration ------------------------------------------------------------
# The same desktop id, icon name and MIME type as the per-user registration
# the editor writes at start.
if(MARIVEL_BUILD_GUI)
  install(FILES ${MARIVEL_PACKAGING}/marivel.desktop DESTINATION share/applications)
  install(FILES ${MARIVEL_PACKAGING}/marivel.xml DESTINATION share/mime/packages)
  install(FILES ${MARIVEL_PACKAGING}/example.kelt.marivel.metainfo.xml DESTINATION share/metainfo)
  install(FILES ${MARIVEL_PACKAGING}/marivel.svg DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES ${MARIVEL_PACKAGING}/marivel.svg DESTINATION share/icons/hicolor/scalable/mimetypes
    RENAME application-x-marivel-project.svg)
  # The PNG sizes are drawn by the editor's own icon code.
  add_executable(render_icons ${CMAKE_SOURCE_DIR}/src/app/render_icons.cpp)
  target_link_libraries(render_icons PRIVATE marivel_editor Qt6::Gui marivel_warnings)
  set(icon_stamp ${MARIVEL_STAGE}/icons.stamp)
  add_custom_command(OUTPUT ${icon_stamp}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen $<TARGET_FILE:render_icons> ${MARIVEL_STAGE}/icons
    COMMAND ${CMAKE_COMMAND} -E touch ${icon_stamp}
    DEPENDS render_icons
    COMMENT "Drawing the icon for the desktop's icon theme")
  add_custom_target(marivel_icons ALL DEPENDS ${icon_stamp})
  install(DIRECTORY ${MARIVEL_STAGE}/icons/hicolor DESTINATION share/icons)
endif()

# --- manual pages and the package's documents -----------------------------------------
# Compressed as Debian wants them: most tightly, without a time stamp.
find_program(MARIVEL_GZIP gzip REQUIRED)
function(marivel_gzip source target)
  add_custom_command(OUTPUT ${target}
    COMMAND ${MARIVEL_GZIP} -9n < ${source} > ${target}
    DEPENDS ${source}
    COMMENT "Compressing ${target}")
endfunction()
set(MARIVEL_DEB_VERSION ${PROJECT_VERSION}-1)
configure_file(${MARIVEL_PACKAGING}/changelog.Debian ${MARIVEL_STAGE}/changelog.Debian @ONLY)
marivel_gzip(${MARIVEL_STAGE}/changelog.Debian ${MARIVEL_STAGE}/changelog.Debian.gz)
set(marivel_package_documents ${MARIVEL_STAGE}/changelog.Debian.gz)
foreach(program IN LISTS marivel_programs)
  marivel_gzip(${MARIVEL_PACKAGING}/${program}.1 ${MARIVEL_STAGE}/${program}.1.gz)
  list(APPEND marivel_package_documents ${MARIVEL_STAGE}/${program}.1.gz)
  install(FILES ${MARIVEL_STAGE}/${program}.1.gz DESTINATION share/man/man1)
endforeach()
add_custom_target(marivel_package_documents ALL DEPENDS ${marivel_package_documents})
install(FILES ${MARIVEL_PACKAGING}/copyright ${MARIVEL_STAGE}/changelog.Debian.gz DESTINATION share/doc/marivel)
# The package is not uploaded to Debian, so its changelog closes no bug.
install(FILES ${MARIVEL_PACKAGING}/lintian-overrides DESTINATION share/lintian/overrides RENAME marivel)

# --- the Debian package -----------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME marivel)
set(CPACK_PACKAGE_VENDOR "Kelt Software")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kelt Software <support@kelt.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "designer of vertically scrolling image sliders for web pages")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Marivel builds a slider for a web page: a narrow window in which pictures
glide upwards one after another, each with its own link and tooltip. The
pictures are arranged in a tree; the slider's size, speed, spacing, colours
and borders are set in the editor and previewed in a web browser.
.
Saving a project publishes everything the web site needs beside the project
file: a configuration script, a stylesheet, a sample page, resized copies of
the pictures and a list of the files to upload. The package also holds
marivel-publish, which publishes a project from the command line, the help
book, a live sample and ready templates.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.kelt.example/marivel/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The live preview's web engine runs as its own program, which no library
# dependency names; the shared libraries come through SHLIBDEPS.
if(MARIVEL_BUILD_GUI AND MARIVEL_LIVE_PREVIEW)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6webenginecore6-bin")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
