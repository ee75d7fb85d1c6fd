# Fails when a C++ source of the project is not formatted as .clang-format says.
file(GLOB_RECURSE fuentes ${RAIZ}/*.h ${RAIZ}/*.cpp)
# Build folders (build/, build-asan/, build-fuzz/...) hold generated sources.
list(FILTER fuentes EXCLUDE REGEX "^${RAIZ}/build[^/]*/")
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${fuentes}
    RESULT_VARIABLE resultado ERROR_VARIABLE salida)
if(NOT resultado EQUAL 0)
    message(FATAL_ERROR "Fuentes sin formato (scripts/formato.sh lo corrige):\n${salida}")
endif()
