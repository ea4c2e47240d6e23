# Installs the build into a fresh folder and checks that it is a ready program folder.
# cmake -DBUILD=<build folder> -DDESTINO=<empty folder> -P ChecarInstalacao.cmake
include("${CMAKE_CURRENT_LIST_DIR}/PastaDePrograma.cmake")
file(REMOVE_RECURSE "${DESTINO}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${DESTINO}/p7" RESULT_VARIABLE r OUTPUT_QUIET)
if(NOT r EQUAL 0)
  message(FATAL_ERROR "cmake --install falhou: ${r}")
endif()
checar_pasta_de_programa("${DESTINO}/p7" "${DESTINO}/p7")
file(REMOVE_RECURSE "${DESTINO}")
