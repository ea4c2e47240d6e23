# Packs the build as a .deb, installs it with dpkg into a scratch root and checks it there.
# cmake -DBUILD=<build folder> -DDESTINO=<empty folder> -DVERSAO=<version> -P ChecarPacote.cmake
include("${CMAKE_CURRENT_LIST_DIR}/PastaDePrograma.cmake")
file(REMOVE_RECURSE "${DESTINO}")
set(raiz "${DESTINO}/raiz")
set(admin "${DESTINO}/admin")
file(MAKE_DIRECTORY "${raiz}" "${admin}/info" "${admin}/updates" "${admin}/triggers")
file(TOUCH "${admin}/status")

function(rodar)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE r OUTPUT_VARIABLE saida ERROR_VARIABLE erros)
  if(NOT r EQUAL 0)
    string(REPLACE ";" " " comando "${ARGN}")
    message(FATAL_ERROR "${comando} falhou (${r}):\n${saida}${erros}")
  endif()
  set(saida "${saida}" PARENT_SCOPE)
endfunction()

# Under a group-writable umask, as many packagers have: the system folders dpkg may create must
# still come out 0755.
rodar(sh -c "umask 002 && exec \"$0\" \"$@\"" "${CMAKE_CPACK_COMMAND}"
      -G DEB --config "${BUILD}/CPackConfig.cmake" -B "${DESTINO}/cpack")
rodar(dpkg --print-architecture)
string(STRIP "${saida}" arquitetura)
set(pacote "${DESTINO}/cpack/inventario-p7_${VERSAO}_${arquitetura}.deb")
if(NOT EXISTS "${pacote}")
  file(GLOB feitos "${DESTINO}/cpack/*.deb")
  message(FATAL_ERROR "falta ${pacote}; feitos: ${feitos}")
endif()

rodar(dpkg-deb -c "${pacote}")
string(REPLACE "\n" ";" linhas "${saida}")
foreach(l IN LISTS linhas)
  if(l MATCHES "^d" AND NOT l MATCHES "^drwxr-xr-x ")
    message(FATAL_ERROR "pasta do pacote sem o modo 0755: ${l}")
  endif()
endforeach()

# A fresh admin dir knows no installed package, so every dependency is missing: --force-depends.
# --force-not-root lets a developer run this as a plain user (the files are then theirs, not root's);
# as root it changes nothing. --log keeps the host's dpkg.log out of it. dpkg wants ldconfig and
# friends in PATH, which lacks sbin for a plain user.
rodar("${CMAKE_COMMAND}" -E env "PATH=/usr/sbin:/usr/bin:/sbin:/bin"
      dpkg "--instdir=${raiz}" "--admindir=${admin}" "--log=${DESTINO}/dpkg.log"
           --force-depends --force-not-root -i "${pacote}")

# Everything lands in the program folder or where the menu looks, and nowhere else.
file(GLOB_RECURSE instalados RELATIVE "${raiz}" "${raiz}/*")
foreach(f IN LISTS instalados)
  if(NOT f MATCHES "^(opt/inventario-p7/|usr/share/applications/|usr/share/icons/hicolor/scalable/apps/)")
    message(FATAL_ERROR "arquivo fora do lugar no pacote: ${f}")
  endif()
endforeach()
checar_pasta_de_programa("${raiz}/opt/inventario-p7" /opt/inventario-p7)

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
foreach(dependencia libqt6core6 libqt6widgets6 libmariadb3 qt6-qpa-plugins)
  if(NOT saida MATCHES "(^|, )${dependencia}( |,|$)")
    message(FATAL_ERROR "Depends não traz ${dependencia}: ${saida}")
  endif()
endforeach()

rodar("${raiz}/opt/inventario-p7/inventario-p7-lote" --ajuda)
if(NOT saida MATCHES "^Uso: inventario-p7-lote --data DD/MM/AAAA")
  message(FATAL_ERROR "--ajuda do programa instalado não mostrou o uso:\n${saida}")
endif()
file(REMOVE_RECURSE "${DESTINO}")
