# `cpack -G DEB` (scripts/pacote) packs the install layout as two packages, one per component, both
# into /opt/inventario-p7:
#   inventario-p7-lote_<versão>_<arq>.deb  the year-end command (component lote), for servers: no Qt,
#                                          no X; its manual page and /usr/bin/inventario-p7-lote
#   inventario-p7_<versão>_<arq>.deb       the window and the viewer (component janelas), in the
#                                          system's menu, on top of the command's package
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME inventario-p7)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /opt/inventario-p7)
set(CPACK_CUSTOM_INSTALL_VARIABLES P7_ARQUIVOS_DO_SISTEMA=ON)
set(CPACK_STRIP_FILES ON)
# The folders dpkg may create (/usr/share/icons/hicolor/... on a bare system) are 0755 whatever the
# packager's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Every component is packed (none is listed, so a file installed without one shows up as a third
# package instead of going missing).
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_LOTE_PACKAGE_NAME inventario-p7-lote)
set(CPACK_DEBIAN_JANELAS_PACKAGE_NAME inventario-p7)

set(P7_MANTENEDOR "Equipe do Inventário Modelo P7 <dev@p7.local>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${P7_MANTENEDOR}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from each package's own programs (Connector/C and zlib for the command, Qt 6 as
# well for the windows). The PDFs embed Liberation Mono, read from its file: a dependency of the
# command, not a recommendation. The windows also need Qt's platform plugins, which Qt only
# recommends, and the command's package of this very version (the folder, the examples and
# relatorio/ are its); the Portuguese texts of Qt's dialogs are better with, not required.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_LOTE_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_DEBIAN_JANELAS_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_JANELAS_DEPENDS lote)
set(CPACK_DEBIAN_JANELAS_PACKAGE_RECOMMENDS "qt6-translations-l10n")
# Each description's first line is its package's summary.
set(CPACK_DEBIAN_LOTE_DESCRIPTION
"fiscal inventory book (RI - Modelo P7): the year-end command
The year-end command inventario-p7-lote writes the inventory book Livro
Registro de Inventário - RI - Modelo P7 of one, several or every branch at a
chosen stock date from the MariaDB/MySQL database of the retail back-office
suite, optionally with its PDF and the EFD ICMS/IPI block H. No window and no
display: this package alone is what a server needs.

O comando de fim de ano inventario-p7-lote gera o Livro Registro de
Inventário - RI - Modelo P7 de uma, várias ou todas as filiais na data de
estoque escolhida, a partir do banco MariaDB/MySQL da retaguarda, com o PDF
e o bloco H da EFD ICMS/IPI se pedido. Sem janela e sem tela: num servidor,
basta este pacote.

Programa em /opt/inventario-p7 (e /usr/bin/inventario-p7-lote); a
configuração é o sistema_kot.ini dessa pasta (veja sistema_kot.ini.exemplo);
man inventario-p7-lote.")
set(CPACK_DEBIAN_JANELAS_DESCRIPTION
"fiscal inventory book (RI - Modelo P7) of a retail branch
Writes the inventory book Livro Registro de Inventário - RI - Modelo P7 of
one branch at a chosen stock date from the MariaDB/MySQL database of the retail
back-office suite, and shows, prints and exports it as PDF. The year-end
command comes in the package inventario-p7-lote.

Gera o Livro Registro de Inventário - RI - Modelo P7 de uma filial na data de
estoque escolhida, a partir do banco MariaDB/MySQL da retaguarda, e o mostra,
imprime e exporta em PDF. O comando de fim de ano vem no pacote
inventario-p7-lote.

Programas em /opt/inventario-p7, no menu do sistema; a configuração é o
sistema_kot.ini dessa pasta (veja sistema_kot.ini.exemplo).")
include(CPack)
