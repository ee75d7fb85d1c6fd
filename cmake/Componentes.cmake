# The repository's root, also for the fuzz targets' own project.
get_filename_component(LEXNET_RAIZ ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

# One library per folder: every source of the folder (not of its subfolders) is built in.
# Files whose name ends in _windows or _posix are built only on that kind of system.
function(lexnet_fuentes salida)
    file(GLOB fuentes CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
                                        ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    if(WIN32)
        list(FILTER fuentes EXCLUDE REGEX "_posix\\.cpp$")
    else()
        list(FILTER fuentes EXCLUDE REGEX "_windows\\.cpp$")
    endif()
    set(${salida} ${fuentes} PARENT_SCOPE)
endfunction()

function(lexnet_biblioteca nombre)
    lexnet_fuentes(fuentes)
    add_library(${nombre} STATIC ${fuentes})
    target_include_directories(${nombre} PUBLIC ${LEXNET_RAIZ})
    if(CMAKE_CURRENT_SOURCE_DIR MATCHES "/ui$")
        set_target_properties(${nombre} PROPERTIES AUTOMOC ON)
    endif()
endfunction()
