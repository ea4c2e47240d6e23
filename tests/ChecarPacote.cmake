# Packs the build as its two .deb, installs the command's alone into a scratch root, checks it and
# runs it there against the test server, then installs the windows' on top and checks them.
# cmake -DBUILD=<build folder> -DDESTINO=<empty folder> -DVERSAO=<version> -P ChecarPacote.cmake
# The server: 127.0.0.1:$P7_DB_PORT, $P7_DB_USER / $P7_DB_PASSWORD (defaults 33061, p7 / p7senha).
cmake_minimum_required(VERSION 3.25)
include("${CMAKE_CURRENT_LIST_DIR}/PastaDePrograma.cmake")
file(REMOVE_RECURSE "${DESTINO}")
set(raiz "${DESTINO}/raiz")
set(admin "${DESTINO}/admin")
set(pasta "${raiz}/opt/inventario-p7")
file(MAKE_DIRECTORY "${raiz}" "${admin}/info" "${admin}/updates" "${admin}/triggers" "${DESTINO}/saida")
file(TOUCH "${admin}/status")

function(rodar)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE r OUTPUT_VARIABLE saida ERROR_VARIABLE erros)
  if(NOT r EQUAL 0)
    string(REPLACE ";" " " comando "${ARGN}")
    message(FATAL_ERROR "${comando} falhou (${r}):\n${saida}${erros}")
  endif()
  set(saida "${saida}" PARENT_SCOPE)
  set(erros "${erros}" PARENT_SCOPE)
endfunction()

# A fresh admin dir knows no installed package, so every dependency is missing: --force-depends.
# --force-not-root lets a developer run this as a plain user (the files are then theirs, not root's);
# as root it changes nothing. --log keeps the host's dpkg.log out of it. dpkg wants ldconfig and
# friends in PATH, which lacks sbin for a plain user.
function(instalar deb)
  rodar("${CMAKE_COMMAND}" -E env "PATH=/usr/sbin:/usr/bin:/sbin:/bin"
        dpkg "--instdir=${raiz}" "--admindir=${admin}" "--log=${DESTINO}/dpkg.log"
             --force-depends --force-not-root -i "${deb}")
endfunction()

# Fails unless the control field `campo`, whose value is `deps`, names each package of ARGN (a name
# or "name (= version)").
function(exigir_dependencias campo deps)
  foreach(d IN LISTS ARGN)
    string(REGEX REPLACE "([.+()])" "\\\\\\1" d_re "${d}")
    if(NOT deps MATCHES "(^|, )${d_re}( |,|$)")
      message(FATAL_ERROR "${campo} não traz ${d}: ${deps}")
    endif()
  endforeach()
endfunction()

# sistema_kot.ini's scrambling of an ASCII password, key QEW, seed 00 (as db/demo/embaralhar_senha.py
# does): each byte plus the previous value, mod 255, XOR the key's next byte, in upper-case hex.
function(embaralhar_senha texto variavel)
  set(chave 81 69 87)
  set(r "00")
  set(anterior 0)
  set(k 0)
  string(HEX "${texto}" hex)
  string(LENGTH "${hex}" n)
  set(i 0)
  while(i LESS n)
    string(SUBSTRING "${hex}" ${i} 2 par)
    list(GET chave ${k} c)
    math(EXPR anterior "((0x${par} + ${anterior}) % 255) ^ ${c}")
    math(EXPR h "${anterior} + 256" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${h}" 3 2 h)
    string(TOUPPER "${h}" h)
    string(APPEND r "${h}")
    math(EXPR k "(${k} + 1) % 3")
    math(EXPR i "${i} + 2")
  endwhile()
  set(${variavel} "${r}" PARENT_SCOPE)
endfunction()

# Under a group-writable umask, as many packagers have: the system folders dpkg may create must
# still come out 0755. A file installed without a component would make a third package.
rodar(sh -c "umask 002 && exec \"$0\" \"$@\"" "${CMAKE_CPACK_COMMAND}"
      -G DEB --config "${BUILD}/CPackConfig.cmake" -B "${DESTINO}/cpack")
rodar(dpkg --print-architecture)
string(STRIP "${saida}" arquitetura)
set(lote "${DESTINO}/cpack/inventario-p7-lote_${VERSAO}_${arquitetura}.deb")
set(janelas "${DESTINO}/cpack/inventario-p7_${VERSAO}_${arquitetura}.deb")
file(GLOB feitos "${DESTINO}/cpack/*.deb")
list(SORT feitos)
if(NOT feitos STREQUAL "${lote};${janelas}")
  message(FATAL_ERROR "esperados ${lote} e ${janelas}; feitos: ${feitos}")
endif()
foreach(deb IN LISTS feitos)
  rodar(dpkg-deb -c "${deb}")
  string(REPLACE "\n" ";" linhas "${saida}")
  foreach(l IN LISTS linhas)
    if(l MATCHES "^d" AND NOT l MATCHES "^drwxr-xr-x ")
      message(FATAL_ERROR "pasta do pacote sem o modo 0755: ${l}")
    endif()
  endforeach()
endforeach()

# The command's package installs on a server without Qt, X or GL.
rodar(dpkg-deb -f "${lote}" Depends)
string(STRIP "${saida}" deps)
if(deps MATCHES "(^|, | [|] )(libqt6|libx11|libxcb|libgl|libegl|qt6-)")
  message(FATAL_ERROR "o pacote do comando depende de área de trabalho: ${deps}")
endif()
exigir_dependencias(Depends "${deps}" libmariadb3 fonts-liberation)

# Alone, it brings exactly the command, its examples, an empty relatorio/, its manual page and the
# link in PATH.
instalar("${lote}")
file(GLOB_RECURSE instalados LIST_DIRECTORIES false RELATIVE "${raiz}" "${raiz}/*")
list(SORT instalados)
set(esperados opt/inventario-p7/inventario-p7-lote opt/inventario-p7/sistema_kot.ini.exemplo
    opt/inventario-p7/termos.ini.exemplo usr/bin/inventario-p7-lote usr/share/man/man1/inventario-p7-lote.1.gz)
if(NOT instalados STREQUAL esperados)
  message(FATAL_ERROR "o pacote do comando instalou\n  ${instalados}\nem vez de\n  ${esperados}")
endif()
file(GLOB dentro "${pasta}/relatorio/*")
if(NOT IS_DIRECTORY "${pasta}/relatorio" OR dentro)
  message(FATAL_ERROR "relatorio/ deveria vir vazia: ${dentro}")
endif()
file(READ_SYMLINK "${raiz}/usr/bin/inventario-p7-lote" alvo)
if(NOT alvo STREQUAL "/opt/inventario-p7/inventario-p7-lote")
  message(FATAL_ERROR "/usr/bin/inventario-p7-lote aponta ${alvo}")
endif()
# gzip -9n: no name and no time stamp in the header, maximum compression.
set(manual "${raiz}/usr/share/man/man1/inventario-p7-lote.1.gz")
file(READ "${manual}" cabecalho LIMIT 10 HEX)
if(NOT cabecalho STREQUAL "1f8b0800000000000203")
  message(FATAL_ERROR "página de manual não comprimida com gzip -9n: ${cabecalho}")
endif()
rodar("${CMAKE_COMMAND}" -E env LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "${manual}")
if(erros OR NOT saida MATCHES "inventario-p7-lote --data DD/MM/AAAA")
  message(FATAL_ERROR "a página de manual instalada não se lê sem avisos:\n${erros}${saida}")
endif()

# Started through a link elsewhere, as from /usr/bin, the command reads the ini of its own folder.
set(link "${DESTINO}/bin/inventario-p7-lote")
file(MAKE_DIRECTORY "${DESTINO}/bin")
file(CREATE_LINK "${pasta}/inventario-p7-lote" "${link}" SYMBOLIC)
rodar("${link}" --ajuda)
if(NOT saida MATCHES "^Uso: inventario-p7-lote --data DD/MM/AAAA")
  message(FATAL_ERROR "--ajuda do programa instalado não mostrou o uso:\n${saida}")
endif()

macro(do_ambiente variavel nome padrao)
  set(${variavel} "$ENV{${nome}}")
  if(${variavel} STREQUAL "")
    set(${variavel} "${padrao}")
  endif()
endmacro()
do_ambiente(porta P7_DB_PORT 33061)
do_ambiente(usuario P7_DB_USER p7)
do_ambiente(senha P7_DB_PASSWORD p7senha)
find_program(MARIADB NAMES mariadb mysql REQUIRED)
set(cliente "${MARIADB}" --protocol=TCP -h127.0.0.1 "-P${porta}" "-u${usuario}" "-p${senha}")
set(banco p7_pacote)
# Runs the SQL text (statements split by ';') on the test server, in `base` when not empty.
function(sql base texto)
  file(WRITE "${DESTINO}/sql" "${texto}")
  execute_process(COMMAND ${cliente} ${base} INPUT_FILE "${DESTINO}/sql" RESULT_VARIABLE r ERROR_VARIABLE erros)
  if(NOT r EQUAL 0)
    message(FATAL_ERROR "SQL falhou no servidor de teste: ${erros}")
  endif()
endfunction()
sql("" "DROP DATABASE IF EXISTS ${banco}; CREATE DATABASE ${banco} CHARACTER SET latin1")
file(READ "${CMAKE_CURRENT_LIST_DIR}/../db/schema.sql" esquema)
sql(${banco} "${esquema}")
sql(${banco} "
  INSERT INTO filial (filial_id, psi_nomest, cgc, inscr) VALUES (1, 'MATRIZ', '1', '2'), (2, 'LOJA 2', '3', '4');
  INSERT INTO produto (produto_id, descricao, ncm, unidade, preco_cmp_un, tipo, apagado) VALUES
    (1, 'CANETA', '84713012', 'UN', 1, 'P', 'N'), (2, 'BORRACHA', '84713012', 'UN', 1, 'P', 'N');
  INSERT INTO estoque_minimo (produto_id, filial_id, estoque, pmc) VALUES (1, 2, 3, 12.5), (2, 2, 2, 0.75)")
embaralhar_senha("${senha}" embaralhada)
file(WRITE "${pasta}/sistema_kot.ini"
     "[FilialMatriz]\r\nCodLogica=2\r\n[IP]\r\nlocal=127.0.0.1:${porta}\r\ndatabase=${banco}\r\n"
     "usuario=${usuario}\r\nsenha=${embaralhada}\r\n")
execute_process(COMMAND "${link}" --data 31/12/2023 --saida "${DESTINO}/saida"
                RESULT_VARIABLE r OUTPUT_VARIABLE saida ERROR_VARIABLE erros)
sql("" "DROP DATABASE ${banco}")
if(NOT r EQUAL 0 OR NOT saida STREQUAL "")
  message(FATAL_ERROR "o comando instalado saiu com ${r}:\n${saida}${erros}")
endif()
# The book's first lines: three empty lines, one of two blanks, then the title centred, Á one byte.
set(titulo "LIVRO REGISTRO DE INVENT")
string(REPEAT " " 46 margem)
string(HEX "\r\n\r\n\r\n  \r\n${margem}${titulo}" inicio)
string(HEX "RIO - RI - MODELO P7" fim)
string(LENGTH "${inicio}c1${fim}" n)
math(EXPR n "${n} / 2")
file(READ "${DESTINO}/saida/P7_2_20231231.txt" livro LIMIT ${n} HEX)
if(NOT livro STREQUAL "${inicio}c1${fim}")
  message(FATAL_ERROR "o livro do comando instalado não começa como deve: ${livro}")
endif()
file(READ "${DESTINO}/saida/P7_2_20231231.txt" livro)
if(NOT livro MATCHES "LOJA 2" OR NOT livro MATCHES "Total Geral: 39,00\r?\n")
  message(FATAL_ERROR "o livro do comando instalado não é o da filial 2:\n${livro}")
endif()

# The windows' package on top: the whole program folder, and nothing but it and the menu's files.
instalar("${janelas}")
file(GLOB_RECURSE instalados RELATIVE "${raiz}" "${raiz}/*")
foreach(f IN LISTS instalados)
  if(NOT f MATCHES "^(opt/inventario-p7/|usr/share/applications/|usr/share/icons/hicolor/scalable/apps/)"
     AND NOT f IN_LIST esperados)
    message(FATAL_ERROR "arquivo fora do lugar no pacote: ${f}")
  endif()
endforeach()
checar_pasta_de_programa("${pasta}" /opt/inventario-p7)

# The menu's entries start the installed programs by absolute path and name icons of the theme.
foreach(par "inventario-p7:inventario-p7" "inventario-p7-visualizador:visualizador")
  string(REPLACE ":" ";" par "${par}")
  list(GET par 0 nome)
  list(GET par 1 programa)
  set(entrada "${raiz}/usr/share/applications/${nome}.desktop")
  if(NOT EXISTS "${entrada}")
    message(FATAL_ERROR "falta a entrada do menu ${nome}.desktop")
  endif()
  file(READ "${entrada}" texto)
  if(NOT texto MATCHES "\nExec=\"/opt/inventario-p7/${programa}\"" OR NOT texto MATCHES "\nIcon=${nome}\n")
    message(FATAL_ERROR "a entrada do menu ${nome}.desktop não aponta o programa instalado:\n${texto}")
  endif()
  if(NOT EXISTS "${raiz}/usr/share/icons/hicolor/scalable/apps/${nome}.svg")
    message(FATAL_ERROR "falta o ícone ${nome}.svg do menu")
  endif()
endforeach()

rodar(dpkg-query "--admindir=${admin}" -W "-f=\${Depends}" inventario-p7)
exigir_dependencias(Depends "${saida}" libqt6core6 libqt6widgets6 libmariadb3 qt6-qpa-plugins
                    "inventario-p7-lote (= ${VERSAO})")
rodar(dpkg-query "--admindir=${admin}" -W "-f=\${Recommends}" inventario-p7)
exigir_dependencias(Recommends "${saida}" qt6-translations-l10n)
file(REMOVE_RECURSE "${DESTINO}")
