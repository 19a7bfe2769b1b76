# What `cmake --install` puts under the prefix, and the Debian package made of it.
# The program finds its installed layout by the metainfo beside its bin folder
# (src/base/AppPath.cpp), so the folders are fixed: bin and share.

set(VH_ICON_SIZES 16 22 24 32 48 64 128 256)
set(VH_ICON_SVG ${PROJECT_SOURCE_DIR}/resources/icons/app.svg)
set(VH_ICON_TREE ${CMAKE_BINARY_DIR}/icons/hicolor)
set(VH_ICON_PNGS "")
foreach(size ${VH_ICON_SIZES})
    list(APPEND VH_ICON_PNGS ${VH_ICON_TREE}/${size}x${size}/apps/${VH_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${VH_ICON_PNGS}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
        $<TARGET_FILE:vh-iconpng> ${VH_ICON_SVG} ${VH_ICON_TREE} ${VH_APP_ID} ${VH_ICON_SIZES}
    DEPENDS vh-iconpng ${VH_ICON_SVG}
    COMMENT "Rendering the icon's PNG sizes")
add_custom_target(vh_icons ALL DEPENDS ${VH_ICON_PNGS})

configure_file(${PROJECT_SOURCE_DIR}/resources/desktop/vornet-halvik.metainfo.xml.in
    ${CMAKE_BINARY_DIR}/desktop/${VH_APP_ID}.metainfo.xml @ONLY)

install(TARGETS vornet-halvik RUNTIME DESTINATION bin)
install(FILES ${VH_ICON_SVG} DESTINATION share/icons/hicolor/scalable/apps RENAME ${VH_APP_ID}.svg)
install(DIRECTORY ${VH_ICON_TREE}/ DESTINATION share/icons/hicolor)
install(FILES ${CMAKE_BINARY_DIR}/desktop/${VH_APP_ID}.metainfo.xml DESTINATION share/metainfo)
# The menu entry names the program by the path it is installed at, which is known
# only when installing (`cmake --install --prefix` may choose any).
install(CODE "set(VH_APP_ID \"${VH_APP_ID}\")
set(VH_DESKTOP_TEMPLATE \"${PROJECT_SOURCE_DIR}/resources/desktop/vornet-halvik.desktop.in\")")
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/InstallDesktopEntry.cmake)

# The Debian package: its library dependencies are computed by dpkg-shlibdeps; only
# what the program loads at run time and no linker can see is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vornet-halvik)
set(CPACK_PACKAGE_VENDOR "Vornet-Halvik")
set(CPACK_PACKAGE_CONTACT "Vornet-Halvik <info@vornet-halvik.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop organiser: notes, timed reminders, saved web addresses")
set(CPACK_PACKAGE_DESCRIPTION "A single-user desktop organiser with notes filed under groups, reminders that pop
up with a chime at their second and saved web addresses, in one window with a tray icon.
All its texts are Simplified Chinese.")
# Installed into a staging DESTDIR under the real prefix, so the menu entry names
# /usr/bin/vornet-halvik and not the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The SVG icon engine, the Chinese texts of the toolkit's own dialogs and a font that
# has Chinese characters.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-translations-l10n, fonts-wqy-microhei | fonts-noto-cjk | fonts-wqy-zenhei")
# Wayland sessions without X11 need the toolkit's Wayland platform. The chime's
# sound client is loaded only when a chime sounds, so no linker sees it; without
# it the chime is the desktop's beep.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, libpulse0")
include(CPack)
