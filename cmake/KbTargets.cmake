# Paths of the build machine compiled into test programs: a Windows program cross-built here
# runs under wine, which shows the build machine's root as drive Z:.
if(WIN32 AND CMAKE_HOST_UNIX)
    set(KB_RUN_ROOT "Z:")
else()
    set(KB_RUN_ROOT "")
endif()
# The installer compiler built by this project; none on Windows, where the installed Inno Setup
# compiler is used, nor in a build of the libraries alone.
if(WIN32 OR KB_CORE_ONLY)
    set(KB_COMPILER_TARGET "")
else()
    set(KB_COMPILER_TARGET compil32)
endif()

# kb_library(<name> SOURCES ... LIBS ...): one library target per source folder.
function(kb_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

# The test helpers below share these arguments:
#   SOURCES ...  the program's sources
#   LIBS ...     what it links
#   DEPENDS ...  targets built before it that it finds at run time (helper programs, pictures)
#   TIMEOUT s    seconds CTest gives the test (300 unless told)
# Test programs are written to tests/ of the build folder.

# kb_test_program(<name> SOURCES ... LIBS ... [DEPENDS ...]): the executable common to all kinds.
function(kb_test_program name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    if(ARG_DEPENDS)
        add_dependencies(${name} ${ARG_DEPENDS})
    endif()
endfunction()

# kb_test(<name> SOURCES ... LIBS ... [DEPENDS ...] [TIMEOUT s]): a GoogleTest program whose
# tests CTest lists one by one.
function(kb_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;DEPENDS" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    kb_test_program(${name} SOURCES ${ARG_SOURCES} DEPENDS ${ARG_DEPENDS}
        LIBS ${ARG_LIBS} GTest::gtest_main GTest::gmock)
    if(CMAKE_CROSSCOMPILING)
        # Cross-built tests run under an emulator (wine): one CTest test per program, as listing
        # every case would start the emulator once per case.
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
    else()
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT ${ARG_TIMEOUT})
    endif()
endfunction()

# kb_suite_test(<test name> <program> SOURCES ... LIBS ... [DEPENDS ...] [TIMEOUT s]): a
# GoogleTest program run as one CTest test, for suites whose cases share a costly preparation
# (a wine prefix made once).
function(kb_suite_test test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;DEPENDS" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    kb_test_program(${name} SOURCES ${ARG_SOURCES} DEPENDS ${ARG_DEPENDS}
        LIBS ${ARG_LIBS} GTest::gtest_main)
    add_test(NAME ${test} COMMAND ${name})
    set_tests_properties(${test} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
endfunction()

# kb_display_test(<name> SOURCES ... LIBS ... [DEPENDS ...] [TIMEOUT s] [ENVIRONMENT ...]
#                 [RUNNER <script> <arguments>...]): NEEDS_DISPLAY, a Qt program that shows
# windows, run as one CTest test labelled NEEDS_DISPLAY (ctest -L / -LE NEEDS_DISPLAY picks or
# leaves them). It runs on Qt's offscreen platform, or under RUNNER (given the program's path
# first), which chooses its own display; a RUNNER exit code of 77 means skipped.
function(kb_display_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;DEPENDS;ENVIRONMENT;RUNNER" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    find_package(Qt6 REQUIRED COMPONENTS Test Widgets)
    kb_test_program(${name} SOURCES ${ARG_SOURCES} DEPENDS ${ARG_DEPENDS}
        LIBS ${ARG_LIBS} Qt6::Test)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    if(ARG_RUNNER)
        list(POP_FRONT ARG_RUNNER runner)
        add_test(NAME ${name} COMMAND ${runner} $<TARGET_FILE:${name}> ${ARG_RUNNER})
        set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
    else()
        add_test(NAME ${name} COMMAND ${name})
        # Windows' Qt has no offscreen platform: there the windows show on the test display.
        if(NOT WIN32)
            list(PREPEND ARG_ENVIRONMENT QT_QPA_PLATFORM=offscreen)
        endif()
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS NEEDS_DISPLAY)
    if(ARG_ENVIRONMENT)
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ARG_ENVIRONMENT}")
    endif()
endfunction()

# kb_fuzz(<name> SOURCES ... LIBS ... [COVER <library>] [DRIVER <source>] [CORPUS <folder>]
#         [DICT <file>] [SECONDS <s>]): a fuzz target, not part of "all" but of "fuzz_targets".
# With clang it is a libFuzzer target, and the sources of the COVER library are compiled into
# it (instead of linking the library) so that the fuzzer sees their coverage. With another
# compiler the DRIVER (tests/support/fuzz_driver.cpp unless told) stands in for libFuzzer:
# corpus replay and timed mutation, same flags, linking the COVER library.
# Every target is listed in <build>/fuzz_targets.txt, one line each:
#   <name>|<seconds>|<corpus folder or "">|<dictionary or "">
# which scripts/test.sh runs. The corpus defaults to the folder <name>_corpus beside the
# CMakeLists.txt when there is one; the run lasts SECONDS (20 unless told).
function(kb_fuzz name)
    cmake_parse_arguments(ARG "" "COVER;DRIVER;CORPUS;DICT;SECONDS" "SOURCES;LIBS" ${ARGN})
    if(NOT ARG_DRIVER)
        set(ARG_DRIVER ${PROJECT_SOURCE_DIR}/tests/support/fuzz_driver.cpp)
    endif()
    if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        add_executable(${name} EXCLUDE_FROM_ALL ${ARG_SOURCES})
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        if(ARG_COVER)
            get_target_property(folder ${ARG_COVER} SOURCE_DIR)
            get_target_property(sources ${ARG_COVER} SOURCES)
            foreach(source ${sources})
                cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${folder})
                target_sources(${name} PRIVATE ${source})
            endforeach()
            get_target_property(libs ${ARG_COVER} LINK_LIBRARIES)
            target_link_libraries(${name} PRIVATE ${libs})
        endif()
    else()
        add_executable(${name} EXCLUDE_FROM_ALL ${ARG_SOURCES} ${ARG_DRIVER})
        target_link_libraries(${name} PRIVATE ${ARG_COVER})
    endif()
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})

    if(NOT ARG_CORPUS AND IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${name}_corpus)
        set(ARG_CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/${name}_corpus)
    endif()
    foreach(file CORPUS DICT)
        if(ARG_${file})
            cmake_path(ABSOLUTE_PATH ARG_${file} BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
        endif()
    endforeach()
    if(NOT ARG_SECONDS)
        set(ARG_SECONDS 20)
    endif()
    if(NOT TARGET fuzz_targets)
        add_custom_target(fuzz_targets)
        cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL kb_write_fuzz_list)
    endif()
    add_dependencies(fuzz_targets ${name})
    set_property(GLOBAL APPEND PROPERTY KB_FUZZ_TARGETS
                 "${name}|${ARG_SECONDS}|${ARG_CORPUS}|${ARG_DICT}")
endfunction()

# Writes <build>/fuzz_targets.txt once every kb_fuzz target is known (deferred to the end of
# the top folder).
function(kb_write_fuzz_list)
    get_property(lines GLOBAL PROPERTY KB_FUZZ_TARGETS)
    list(JOIN lines "\n" text)
    file(WRITE ${CMAKE_BINARY_DIR}/fuzz_targets.txt "${text}\n")
endfunction()

# kb_bench(<name> SOURCES ... LIBS ...): a Google Benchmark program that prints its figures.
function(kb_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
endfunction()
