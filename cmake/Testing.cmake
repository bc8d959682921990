# GoogleTest, built from Debian's sources for whichever target this build is for, and the helper that
# declares a test program. In the Windows build ctest runs the test programs through scripts/wine-run,
# which gives them the project's own Wine prefix, a Japanese locale and a display.
enable_testing()

set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

if(CMAKE_CROSSCOMPILING AND WIN32)
    set(DODAVIRID_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run ${DODAVIRID_WINE_PREFIX})
endif()

# dodavirid_add_gtest(<name> SOURCES <files...> [LIBS <targets...>] [WINDOWS] [TIMEOUT <s>] [SERIAL])
# Builds one test program linked with GoogleTest's main and registers it with ctest. WINDOWS marks a
# program that exists only in the Windows build. SERIAL keeps it from running beside the other SERIAL
# tests (those that share the registry, the focus or the Wine desktop).
function(dodavirid_add_gtest name)
    cmake_parse_arguments(T "WINDOWS;SERIAL" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(T_WINDOWS AND NOT DODAVIRID_WINDOWS)
        return()
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
    if(DODAVIRID_WINDOWS)
        # A console test program; the tests may still create windows.
        target_link_options(${name} PRIVATE -mconsole)
    endif()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
    if(T_SERIAL)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK desktop)
    endif()
endfunction()
