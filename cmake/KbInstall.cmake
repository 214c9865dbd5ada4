# What `cmake --install` puts beside the programs and libexec helpers (whose install() lines
# live with their targets), and the Debian package made from it by `cpack -G DEB`.

# The program finds its pictures and helpers relative to its own folder (LocateProgramFiles).
file(RELATIVE_PATH kb_installed_resources ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/kitbinder)
file(RELATIVE_PATH kb_installed_helpers ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_LIBEXECDIR}/kitbinder)
target_compile_definitions(kb_foundation PRIVATE
    KB_INSTALLED_RESOURCES="${kb_installed_resources}"
    KB_INSTALLED_HELPERS="${kb_installed_helpers}")

# The windows name their desktop entry and take the installed icon.
set_property(SOURCE ${PROJECT_SOURCE_DIR}/app/ui/kitbinder_application.cpp
    DIRECTORY ${PROJECT_SOURCE_DIR}/app/ui
    APPEND PROPERTY COMPILE_DEFINITIONS KB_APP_ID="${KB_APP_ID}")

set(KB_HOMEPAGE https://www.example.com/kitbinder)
set(KB_SUMMARY "Keep garment macro collections and build their installers")
set(KB_LICENSE MIT)

# Documentation under the package's name, as Debian has it.
set(kb_docdir ${CMAKE_INSTALL_DATADIR}/doc/kitbinder)

# The desktop entry, the metadata for software centres, the licence.
configure_file(${PROJECT_SOURCE_DIR}/packaging/kitbinder.desktop.in
               ${CMAKE_BINARY_DIR}/packaging/${KB_APP_ID}.desktop @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/kitbinder.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/packaging/${KB_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${KB_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${KB_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# Named as Debian expects a package's licence to be named.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${kb_docdir} RENAME copyright)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${kb_docdir})
# The manual page and the package's change log, compressed as Debian wants them.
find_program(KB_GZIP gzip REQUIRED)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.Debian.in
               ${CMAKE_BINARY_DIR}/packaging/changelog.Debian @ONLY)
set(kb_compressed)
foreach(file ${PROJECT_SOURCE_DIR}/packaging/kitbinder.1 ${PROJECT_SOURCE_DIR}/docs/kitbinder-cli.1
             ${CMAKE_BINARY_DIR}/packaging/changelog.Debian)
    get_filename_component(name ${file} NAME)
    set(output ${CMAKE_BINARY_DIR}/packaging/${name}.gz)
    add_custom_command(
        OUTPUT ${output}
        COMMAND sh -c "${KB_GZIP} -9nc \"$0\" > \"$1\"" ${file} ${output}
        DEPENDS ${file}
        VERBATIM)
    list(APPEND kb_compressed ${output})
endforeach()
add_custom_target(kb_packaging_files ALL DEPENDS ${kb_compressed})
install(FILES ${CMAKE_BINARY_DIR}/packaging/kitbinder.1.gz
              ${CMAKE_BINARY_DIR}/packaging/kitbinder-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Completion of the command line's commands, options and names, where bash-completion looks.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kitbinder-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kitbinder-cli)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz DESTINATION ${kb_docdir})

# cpack -G DEB (in the build folder): kitbinder_<version>-1_<arch>.deb, installed below /usr.
set(CPACK_PACKAGE_NAME kitbinder)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kit Binder developers")
set(CPACK_PACKAGE_CONTACT "The Kit Binder developers <kitbinder@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${KB_SUMMARY}")
set(CPACK_PACKAGE_DESCRIPTION
    "Kit Binder keeps a designer's collections of garment macros for the\n\
Bobbinwright pattern-drafting program, with their pictures, texts,\n\
documents and measurement tables, reports the files a collection's\n\
macros need but lack, and builds a Windows installer for a collection.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KB_HOMEPAGE})
# Libraries from dpkg-shlibdeps; the programs the installer compiler and the desktop run.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "nsis, xdg-utils")
include(CPack)
