# How the program lands on a Linux desktop: `cmake --install` lays out the
# executable, its help file, the menu entry, the AppStream data and the icon
# theme; the Debian package (debian/) is built from the same rules.
#
#   <prefix>/lib/breloplayer/breloplayer    the program
#   <prefix>/lib/breloplayer/ajuda.chm      its help file, looked up beside it
#   <prefix>/lib/breloplayer/libbreloplayer-news.so
#                                           the news browser, loaded from beside it
#   <prefix>/bin/breloplayer                a relative link to the program
#   <prefix>/share/applications/breloplayer.desktop
#   <prefix>/share/metainfo/<appstream id>.metainfo.xml
#   <prefix>/share/icons/hicolor/{16x16,32x32,48x48,256x256,scalable}/apps/
#   <prefix>/share/man/man1/breloplayer.1

include(GNUInstallDirs)

# The version is kept once, in project(); a package build hands in the one
# its changelog carries, and the two must not drift apart.
if(DEFINED BRELO_PACKAGE_VERSION AND NOT BRELO_PACKAGE_VERSION STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "The package is versioned ${BRELO_PACKAGE_VERSION}, "
        "the program ${PROJECT_VERSION}: update debian/changelog or project().")
endif()

# The program looks for its help file in its own folder, so the two live
# together in a private folder and bin/ only carries a link. Qt resolves the
# link (applicationDirPath() comes from /proc/self/exe), whichever folder the
# program is started from.
set(BRELO_PRIVATE_DIR lib/breloplayer)

# Names the desktop knows the program by: the executable, the theme icon and
# the menu entry share one; Qt names the windows' WM_CLASS after the
# application name, which the program sets to the same text.
set(BRELO_APP_ID breloplayer)
set(BRELO_WM_CLASS ${BRELO_APP_ID})
# AppStream wants a reverse-DNS identifier; the project has no domain of its
# own yet, so it stays under the reserved example domain until it does.
set(BRELO_APPSTREAM_ID org.example.breloplayer)
set(BRELO_LANGUAGE pt_BR)
set(BRELO_RELEASE_DATE 2026-12-09)

install(TARGETS breloplayer RUNTIME DESTINATION ${BRELO_PRIVATE_DIR})
install(TARGETS brelonewsmodule LIBRARY DESTINATION ${BRELO_PRIVATE_DIR})

# The help file is written by the `brelo_help` target when the build has
# one; building the program then brings it along, and installing without it
# is an error. A build without that target installs what it finds. Decided
# once the whole tree is read, wherever that target is defined.
function(brelo_install_help)
    set(help_file ${CMAKE_BINARY_DIR}/ajuda.chm)
    if(TARGET brelo_help)
        add_dependencies(breloplayer brelo_help)
        install(FILES ${help_file} DESTINATION ${BRELO_PRIVATE_DIR})
    else()
        install(FILES ${help_file} DESTINATION ${BRELO_PRIVATE_DIR} OPTIONAL)
    endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL brelo_install_help)

# A relative link keeps working under DESTDIR, in a package and after the
# prefix is moved. file(INSTALL) copies a link as a link.
file(RELATIVE_PATH brelo_link_target
    /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${BRELO_PRIVATE_DIR}/breloplayer)
set(brelo_link ${CMAKE_BINARY_DIR}/install-links/breloplayer)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-links)
file(CREATE_LINK ${brelo_link_target} ${brelo_link} SYMBOLIC)
install(FILES ${brelo_link} DESTINATION ${CMAKE_INSTALL_BINDIR})

foreach(size IN LISTS BRELO_ICON_SIZES)
    install(FILES ${BRELO_ICON_DIR}/breloplayer-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME ${BRELO_APP_ID}.png)
endforeach()
install(FILES ${BRELO_ICON_SVG}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${BRELO_APP_ID}.svg)

configure_file(${CMAKE_SOURCE_DIR}/packaging/breloplayer.desktop.in
    ${CMAKE_BINARY_DIR}/packaging/${BRELO_APP_ID}.desktop @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/breloplayer.metainfo.xml.in
    ${CMAKE_BINARY_DIR}/packaging/${BRELO_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${BRELO_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${BRELO_APPSTREAM_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
set(BRELO_VERSION_SHORT ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
configure_file(${CMAKE_SOURCE_DIR}/packaging/breloplayer.1.in
    ${CMAKE_BINARY_DIR}/packaging/breloplayer.1 @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/breloplayer.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
