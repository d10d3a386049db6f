# What `cmake --install` lays out under the prefix, and nothing else: the binary, the desktop
# entry with its Quick Ask action, the application and tray icons and the AppStream
# metainfo. Every desktop-facing file is named after the application id, which must stay
# the one in src/core/appidentity.h (tests/packaging checks that they agree). Tests,
# benchmarks and their helpers have no install rules.

include(GNUInstallDirs)

set(VELM_APPLICATION_ID io.github.velm.Velm)
set(VELM_LINUX_RESOURCES ${PROJECT_SOURCE_DIR}/resources/linux)

install(TARGETS velm RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${VELM_LINUX_RESOURCES}/${VELM_APPLICATION_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VELM_LINUX_RESOURCES}/${VELM_APPLICATION_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/velm.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${VELM_APPLICATION_ID}.svg)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/velm-symbolic.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/symbolic/apps
    RENAME ${VELM_APPLICATION_ID}-symbolic.svg)
