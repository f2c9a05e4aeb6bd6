# The Debian package: cmake --build build --target package
# The program lies in /opt/pesomed, which stands for the suite's installation
# root: the suite's configuration VELTRAMO.INI, CaminhoGDS.txt and the report
# folder RPT go beside the executable there.
set(PESOMED_RAIZ /opt/pesomed)
install(TARGETS PesoMed RUNTIME DESTINATION ${PESOMED_RAIZ})
install(FILES ${PROJECT_SOURCE_DIR}/RPT/rptPesoMed.rav DESTINATION ${PESOMED_RAIZ}/RPT)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/pesomed.desktop DESTINATION share/applications)
# The program's icon in the hicolor theme, named "pesomed" by the desktop entry.
foreach(n IN LISTS PESOMED_TAMANHOS_ICONE)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/pesomed-${n}.png
    DESTINATION share/icons/hicolor/${n}x${n}/apps RENAME pesomed.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/pesomed.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/pesomed)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pesomed)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Equipe Peso Médio <suporte@pesomedio.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Peso médio das cápsulas manipuladas (RDC 67)")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Libraries linked at build time are found by dpkg-shlibdeps; the database
# client is loaded at run time, and the toolkit needs its platform plugins.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libfbclient2, qt6-qpa-plugins, fonts-dejavu-core")
include(CPack)
