# `cpack -G DEB` (scripts/pacote) packs the install layout as inventario-p7_<versão>_<arq>.deb: the
# program folder as /opt/inventario-p7, both entries also in the system's menu.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME inventario-p7)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /opt/inventario-p7)
set(CPACK_CUSTOM_INSTALL_VARIABLES P7_MENU_DO_SISTEMA=ON)
set(CPACK_STRIP_FILES ON)
# The folders dpkg may create (/usr/share/icons/hicolor/... on a bare system) are 0755 whatever the
# packager's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(P7_MANTENEDOR "Equipe do Inventário Modelo P7 <dev@p7.local>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${P7_MANTENEDOR}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Qt 6 and Connector/C come from the programs' own links; the windows also need Qt's platform plugins,
# which Qt only recommends. The Portuguese texts of Qt's dialogs and the fonts of the suite's look
# are better with, not required.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The PDFs embed Liberation Mono, read from its file: a dependency, not a recommendation.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fiscal inventory book (RI - Modelo P7) of a retail branch")
set(CPACK_PACKAGE_DESCRIPTION
"Writes the inventory book Livro Registro de Inventário - RI - Modelo P7 of
one branch at a chosen stock date from the MariaDB/MySQL database of the retail
back-office suite, and shows, prints and exports it as PDF. The year-end
command inventario-p7-lote writes it for every branch at once, optionally with
the EFD ICMS/IPI block H.

Gera o Livro Registro de Inventário - RI - Modelo P7 de uma filial na data de
estoque escolhida, a partir do banco MariaDB/MySQL da retaguarda, e o mostra,
imprime e exporta em PDF. O comando de fim de ano inventario-p7-lote o gera
para todas as filiais de uma vez, com o bloco H da EFD ICMS/IPI se pedido.

Programas em /opt/inventario-p7; a configuração é o sistema_kot.ini dessa
pasta (veja sistema_kot.ini.exemplo).")
include(CPack)
