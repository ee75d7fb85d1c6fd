# Fails when a C++ source of the project is not formatted as .clang-format says.
file(GLOB_RECURSE fuentes
    ${RAIZ}/common/*.h ${RAIZ}/common/*.cpp ${RAIZ}/download/*.h ${RAIZ}/download/*.cpp
    ${RAIZ}/send/*.h ${RAIZ}/send/*.cpp ${RAIZ}/apps/*.cpp ${RAIZ}/apps/*.h
    ${RAIZ}/tests/*.h ${RAIZ}/tests/*.cpp ${RAIZ}/bench/*.cpp ${RAIZ}/bench/*.h
    ${RAIZ}/fuzz/*.cpp ${RAIZ}/tools/*.h ${RAIZ}/tools/*.cpp)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${fuentes}
    RESULT_VARIABLE resultado ERROR_VARIABLE salida)
if(NOT resultado EQUAL 0)
    message(FATAL_ERROR "Fuentes sin formato (scripts/formato.sh lo corrige):\n${salida}")
endif()
