# Installation as a desktop program: the program directory under lib/mediawizard, the two
# commands in bin, the desktop entry, icon and AppStream metadata in share; ./x package
# makes a Debian package of the same tree.
set(MW_APP_ID org.mediawizard.MediaWizard)
set(MW_INSTALL_DIR lib/mediawizard)

# Everything the build lays out in the program directory, whoever put it there; the
# programs as targets, so that an install with --strip (and the package) strips them.
get_filename_component(MW_PROGRAM_DIR_NAME ${MW_PROGRAM_DIR} NAME)
install(DIRECTORY ${MW_PROGRAM_DIR}/ DESTINATION ${MW_INSTALL_DIR} USE_SOURCE_PERMISSIONS
        REGEX "/${MW_PROGRAM_DIR_NAME}/mediawizard(-cli(-fetch|-media)?)?$" EXCLUDE)
install(TARGETS mediawizard mediawizard-cli mediawizard-cli-fetch mediawizard-cli-media
        RUNTIME DESTINATION ${MW_INSTALL_DIR})

# The commands are links into the program directory; the program finds its directory
# through /proc/self/exe, which names the link's target.
set(MW_COMMAND_LINKS ${CMAKE_BINARY_DIR}/command-links)
file(MAKE_DIRECTORY ${MW_COMMAND_LINKS})
foreach(command mediawizard mediawizard-cli)
    file(CREATE_LINK ../${MW_INSTALL_DIR}/${command} ${MW_COMMAND_LINKS}/${command} SYMBOLIC)
    install(FILES ${MW_COMMAND_LINKS}/${command} DESTINATION bin)
endforeach()

set(MW_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/assets/desktop)
configure_file(${MW_DESKTOP_DIR}/${MW_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/${MW_APP_ID}.metainfo.xml @ONLY)
install(FILES ${MW_DESKTOP_DIR}/${MW_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${CMAKE_BINARY_DIR}/${MW_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${MW_PROGRAM_DIR}/icons/ICON_MEDIAWIZARD.png
        DESTINATION share/icons/hicolor/64x64/apps RENAME ${MW_APP_ID}.png)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mediawizard)
set(CPACK_PACKAGE_VENDOR "MediaWizard Software")
set(CPACK_PACKAGE_CONTACT "MediaWizard Software <support@mediawizard.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "media converter with a wizard")
set(CPACK_PACKAGE_DESCRIPTION
    "MediaWizard converts video and audio files to 24 output formats for computers, \
phones and other devices, joins files into one and lists DVD titles as inputs. A \
command-line program does the same conversions for scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Pages, folders and media open through xdg-open; the end-of-run sounds play through one of
# the desktop's players.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, pulseaudio-utils | alsa-utils")
include(CPack)
