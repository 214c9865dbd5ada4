# kb_pkg_module(<prefix> <module> [DEFINES ...]): the library of a pkg-config module as the
# imported target PkgConfig::<prefix>. The Windows build links its dependencies statically: there
# the module's private libraries (Libs.private, the system libraries it needs) are linked too,
# and DEFINES (what the headers need to know they are used static) are set.
function(kb_pkg_module prefix module)
    cmake_parse_arguments(ARG "" "" "DEFINES" ${ARGN})
    pkg_check_modules(${prefix} REQUIRED IMPORTED_TARGET GLOBAL ${module})
    if(WIN32)
        set_property(TARGET PkgConfig::${prefix} APPEND PROPERTY
            INTERFACE_LINK_LIBRARIES ${${prefix}_STATIC_LIBRARIES})
        set_property(TARGET PkgConfig::${prefix} APPEND PROPERTY
            INTERFACE_COMPILE_DEFINITIONS ${ARG_DEFINES})
    endif()
endfunction()
