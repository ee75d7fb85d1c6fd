# Fails when a logic source (common/, download/, send/ outside ui/) includes a Qt header.
file(GLOB_RECURSE fuentes
    ${RAIZ}/common/*.h ${RAIZ}/common/*.cpp
    ${RAIZ}/download/*.h ${RAIZ}/download/*.cpp
    ${RAIZ}/send/*.h ${RAIZ}/send/*.cpp)
set(culpables "")
foreach(f IN LISTS fuentes)
    if(f MATCHES "/ui/")
        continue()
    endif()
    file(STRINGS ${f} lineas REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|qt)")
    if(lineas)
        list(APPEND culpables "${f}: ${lineas}")
    endif()
endforeach()
if(culpables)
    list(JOIN culpables "\n" texto)
    message(FATAL_ERROR "La lógica incluye cabeceras de Qt:\n${texto}")
endif()
