# Installation with the usual folders of the system (GNUInstallDirs):
# the programs in bin/, the uninstaller beside Kvintor (it removes the folder
# it lies in, so that folder must be Kvintor's), and under share/ the desktop
# entries, icons, AppStream metadata, manual pages and the package's papers.
# Everything else the programs need is compiled in; what they write goes to
# the user's folders, so the installed folders may be read-only.
include(GNUInstallDirs)

set(KV_HOMEPAGE "https://kvintor.example/" CACHE STRING
    "The tool set's web page, ending in /; the screenshots of the AppStream metadata lie in screenshots/ there")
set(KV_PACKAGE_MAINTAINER "Kvintor workshop tool set developers <kvintor@kvintor.example>" CACHE STRING
    "Name and e-mail address of the package's maintainer")
# The release: the date of the AppStream release, the package's changelog
# and the manual pages.
set(KV_RELEASE_DATE 2026-12-07)
set(KV_RELEASE_DATE_RFC2822 "Mon, 07 Dec 2026 12:00:00 +0000")

# The uninstaller has no desktop entry: a tool set installed by the package
# manager is removed by the package manager (the uninstaller then says so).
install(TARGETS kvintor kvintor-uninstall fermel lumeta kline-sim kline
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Desktop entries and icons: Kvintor, Fermel, Lumeta, the ECU simulator.
set(KV_DESKTOP_IDS ru.kvintor.Kvintor ru.kvintor.Fermel ru.kvintor.Lumeta ru.kvintor.KlineSim)
foreach(id IN LISTS KV_DESKTOP_IDS)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/${id}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/${id}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endforeach()

# AppStream metadata of the three workshop programs.
set(KV_METAINFO_IDS ru.kvintor.Kvintor ru.kvintor.Fermel ru.kvintor.Lumeta)
foreach(id IN LISTS KV_METAINFO_IDS)
    configure_file(${PROJECT_SOURCE_DIR}/resources/metainfo/${id}.metainfo.xml.in
        ${PROJECT_BINARY_DIR}/metainfo/${id}.metainfo.xml @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/metainfo/${id}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endforeach()

# Manual pages and the changelog, compressed as Debian keeps them (gzip -9n:
# no name or time stamp inside, the same bytes on every build).
find_program(KV_GZIP gzip REQUIRED)
set(KV_MAN_PAGES kvintor fermel lumeta kline-sim kline kvintor-uninstall)
set(kv_compressed)
foreach(page IN LISTS KV_MAN_PAGES)
    configure_file(${PROJECT_SOURCE_DIR}/resources/man/${page}.1.in
        ${PROJECT_BINARY_DIR}/man/${page}.1 @ONLY)
    list(APPEND kv_compressed ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
    install(FILES ${PROJECT_BINARY_DIR}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/resources/package/changelog.in
    ${PROJECT_BINARY_DIR}/doc/changelog @ONLY)
list(APPEND kv_compressed ${PROJECT_BINARY_DIR}/doc/changelog.gz)
foreach(gz IN LISTS kv_compressed)
    string(REGEX REPLACE "\\.gz$" "" plain ${gz})
    add_custom_command(OUTPUT ${gz}
        COMMAND ${KV_GZIP} -9nkf ${plain}
        DEPENDS ${plain}
        VERBATIM)
endforeach()
add_custom_target(kv_compressed_docs ALL DEPENDS ${kv_compressed})

set(KV_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kvintor)
install(FILES ${PROJECT_SOURCE_DIR}/resources/package/copyright
    ${PROJECT_BINARY_DIR}/doc/changelog.gz
    DESTINATION ${KV_DOC_DIR})
