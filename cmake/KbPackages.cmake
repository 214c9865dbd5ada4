# kb_pkg_module(<prefix> <module> [DEFINES ...]): the library of a pkg-config module as the
# imported target PkgConfig::<prefix>. The Windows build links its dependencies statically: there
# the module's private libraries (Libs.private, the system libraries it needs) are linked too,
# and DEFINES (what the headers need to know they are used static) are set.
function(kb_pkg_module prefix module)
    cmake_parse_arguments(ARG "" "" "DEFINES" ${ARGN})
    pkg_check_modules(${prefix} REQUIRED IMPORTED_TARGET GLOBAL ${module})
    if(WIN32)
        # Libs.private gives bare names: the module's own folders are searched for them too.
        set_property(TARGET PkgConfig::${prefix} APPEND PROPERTY
            INTERFACE_LINK_DIRECTORIES ${${prefix}_STATIC_LIBRARY_DIRS})
        set_property(TARGET PkgConfig::${prefix} APPEND PROPERTY
            INTERFACE_LINK_LIBRARIES ${${prefix}_STATIC_LIBRARIES})
        # A bare name among the linker flags (libbson's static module writes "ws2_32") is a
        # library, not an option.
        get_target_property(options PkgConfig::${prefix} INTERFACE_LINK_OPTIONS)
        if(options)
            set(flags)
            set(libraries)
            foreach(option IN LISTS options)
                if(option MATCHES "^-")
                    list(APPEND flags ${option})
                else()
                    list(APPEND libraries ${option})
                endif()
            endforeach()
            set_property(TARGET PkgConfig::${prefix} PROPERTY INTERFACE_LINK_OPTIONS ${flags})
            set_property(TARGET PkgConfig::${prefix} APPEND PROPERTY
                INTERFACE_LINK_LIBRARIES ${libraries})
        endif()
        set_property(TARGET PkgConfig::${prefix} APPEND PROPERTY
            INTERFACE_COMPILE_DEFINITIONS ${ARG_DEFINES})
    endif()
endfunction()
