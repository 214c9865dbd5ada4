# kb_pkg_module(<prefix> <module> [DEFINES ...]): the library of a pkg-config module as the
# imported target PkgConfig::<prefix>. The Windows build links its dependencies statically: there
# the module's static link flags (with Libs.private, the system libraries it needs) are linked,
# and DEFINES (what the headers need to know they are used static) are set.
function(kb_pkg_module prefix module)
    cmake_parse_arguments(ARG "" "" "DEFINES" ${ARGN})
    pkg_check_modules(${prefix} REQUIRED IMPORTED_TARGET GLOBAL ${module})
    if(NOT WIN32)
        return()
    endif()
    set(libraries)
    set(folders)
    foreach(flag IN LISTS ${prefix}_STATIC_LDFLAGS)
        if(flag MATCHES "^-L(.+)")
            list(APPEND folders ${CMAKE_MATCH_1})
        elseif(flag MATCHES "^-l(.+)")
            list(APPEND libraries ${CMAKE_MATCH_1})
        elseif(NOT flag MATCHES "^-")
            # Some modules name a system library without -l ("ws2_32").
            list(APPEND libraries ${flag})
        endif()
    endforeach()
    set_target_properties(PkgConfig::${prefix} PROPERTIES INTERFACE_LINK_OPTIONS "")
    set_property(TARGET PkgConfig::${prefix} APPEND PROPERTY INTERFACE_LINK_DIRECTORIES ${folders})
    set_property(TARGET PkgConfig::${prefix} APPEND PROPERTY INTERFACE_LINK_LIBRARIES ${libraries})
    set_property(TARGET PkgConfig::${prefix} APPEND PROPERTY
        INTERFACE_COMPILE_DEFINITIONS ${ARG_DEFINES})
endfunction()
