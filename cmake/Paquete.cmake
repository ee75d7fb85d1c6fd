# The Debian package (scripts/paquete.sh runs cpack): the four programs in bin, the template
# and nothing else under share/ambrel-corvane, desktop entries and icons, manual pages (those
# of the command-line programs made from their --help by help2man), the systemd user units,
# and the copyright, changelog and README.
include(GNUInstallDirs)
set(LEXNET_PAQUETE ambrel-corvane)
set(paquete ${LEXNET_RAIZ}/packaging)

set(programas ambrel-cli corvane-cli)
if(LEXNET_GUI)
    list(APPEND programas ambrel corvane)
endif()
install(TARGETS ${programas} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/QuarelLexnet_ORI.mdb DESTINATION ${CMAKE_INSTALL_DATADIR}/${LEXNET_PAQUETE})
if(LEXNET_GUI)
    install(FILES ${paquete}/ambrel.desktop ${paquete}/corvane.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${paquete}/iconos/ambrel.svg ${paquete}/iconos/corvane.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
install(FILES ${paquete}/systemd/ambrel-descarga.service ${paquete}/systemd/ambrel-descarga.timer
        DESTINATION lib/systemd/user)

# Compressed as Debian wants them, without a time stamp.
set(generados ${CMAKE_BINARY_DIR}/paquete)
set(comprimidos)
function(comprimir origen destino)
    add_custom_command(OUTPUT ${destino}
        COMMAND gzip -9nc ${origen} > ${destino}
        DEPENDS ${origen} VERBATIM)
    set(comprimidos ${comprimidos} ${destino} PARENT_SCOPE)
endfunction()

find_program(HELP2MAN help2man REQUIRED)
set(manuales)
foreach(cli IN ITEMS ambrel-cli corvane-cli)
    if(cli STREQUAL ambrel-cli)
        set(nombre "descarga de las notificaciones de LexNET sin pantalla")
    else()
        set(nombre "envío de escritos a LexNET sin pantalla")
    endif()
    add_custom_command(OUTPUT ${generados}/${cli}.1
        COMMAND ${CMAKE_COMMAND} -E make_directory ${generados}
        COMMAND ${CMAKE_COMMAND} -E env LANG=C.UTF-8 ${HELP2MAN} --no-info --no-discard-stderr
                --version-string=${PROJECT_VERSION} --name=${nombre} --section=1
                --output=${generados}/${cli}.1 $<TARGET_FILE:${cli}>
        DEPENDS ${cli} VERBATIM)
    comprimir(${generados}/${cli}.1 ${generados}/${cli}.1.gz)
    list(APPEND manuales ${generados}/${cli}.1.gz)
endforeach()
if(LEXNET_GUI)
    foreach(ventana IN ITEMS ambrel corvane)
        comprimir(${paquete}/${ventana}.1 ${generados}/${ventana}.1.gz)
        list(APPEND manuales ${generados}/${ventana}.1.gz)
    endforeach()
endif()
comprimir(${paquete}/changelog ${generados}/changelog.gz)
comprimir(${LEXNET_RAIZ}/README.md ${generados}/README.md.gz)
add_custom_target(documentos_paquete ALL DEPENDS ${comprimidos})
install(FILES ${manuales} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${paquete}/copyright ${generados}/changelog.gz ${generados}/README.md.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${LEXNET_PAQUETE})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${LEXNET_PAQUETE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_VENDOR "Equipo de Ambrel y Corvane")
set(CPACK_PACKAGE_CONTACT "Equipo de Ambrel y Corvane <equipo@ambrel-corvane.es>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "descarga de notificaciones y envío de escritos de LexNET")
# The extended description: CPack puts the summary before it as the synopsis.
set(CPACK_PACKAGE_DESCRIPTION "Ambrel descarga las notificaciones que el despacho recibe en LexNET,
las guarda en una base de datos local, confirma la descarga y cuenta el
plazo que abre cada una. Corvane firma los escritos con la tarjeta
criptográfica del usuario y los envía a LexNET. ambrel-cli y corvane-cli
hacen lo mismo sin pantalla; un temporizador de systemd puede descargar
las notificaciones a diario.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The card's PKCS#11 module and the reader service are loaded at run time, not linked.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "opensc, pcscd")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/paquete)
include(CPack)
