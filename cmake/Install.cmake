include(GNUInstallDirs)
install(FILES ${CMAKE_SOURCE_DIR}/data/io.vexa.remote.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/data/io.vexa.remote.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
