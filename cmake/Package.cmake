# The release a Windows user downloads: a ZIP with both programs, the help text, a short read-me, the MML
# documentation and the sample songs. `cmake --build --preset mingw --target package` makes it.
# Elsewhere, the converter alone: a .tar.gz of what `cmake --install` installs (the program, its manual page,
# the MML manual and the samples) in one folder, named for the system and the processor, such as
# trivane-2.0.0.1-linux-x86_64.tar.gz (`cmake --build --preset linux --target package`).
if(DODAVIRID_CONVERTER_ONLY)
    string(TOLOWER ${CMAKE_SYSTEM_NAME} _system)
    set(CPACK_GENERATOR TGZ)
    set(CPACK_PACKAGE_NAME trivane)
    set(CPACK_PACKAGE_VENDOR Pelrin)
    set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
    set(CPACK_PACKAGE_FILE_NAME trivane-${PROJECT_VERSION}-${_system}-${CMAKE_SYSTEM_PROCESSOR})
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
    set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
    include(CPack)
    return()
elseif(NOT DODAVIRID_WINDOWS)
    return()
endif()

# The read-me is kept as UTF-8 with LF; Windows users get it in code page 932 with CR LF.
set(_readme ${CMAKE_BINARY_DIR}/package/readme.txt)
add_custom_command(OUTPUT ${_readme}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/package
    COMMAND sh -c "iconv -f UTF-8 -t CP932 \"$0\" | sed 's/$/\\r/' > \"$1.tmp\" && mv \"$1.tmp\" \"$1\""
            ${PROJECT_SOURCE_DIR}/docs/readme-windows.txt ${_readme}
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/readme-windows.txt
    VERBATIM)
add_custom_target(package_readme ALL DEPENDS ${_readme})

# The MML manual likewise, as a .txt file: Windows opens .txt in Notepad with a double-click but knows no
# program for .md, and a Notepad that reads code page 932 shows UTF-8 without a byte order mark as garbage.
set(_manual ${CMAKE_BINARY_DIR}/package/mml.txt)
add_custom_command(OUTPUT ${_manual}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/package
    COMMAND sh -c "iconv -f UTF-8 -t CP932 \"$0\" | sed 's/$/\\r/' > \"$1.tmp\" && mv \"$1.tmp\" \"$1\""
            ${PROJECT_SOURCE_DIR}/docs/mml.md ${_manual}
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/mml.md
    VERBATIM)
add_custom_target(package_manual ALL DEPENDS ${_manual})

# Installed at the end, when every target of the tree is known.
function(dodavirid_install_release)
    install(TARGETS dodavirid RUNTIME DESTINATION .)
    install(FILES ${CMAKE_BINARY_DIR}/bin/dodavirid.txt ${_readme} ${_manual} DESTINATION .)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/samples/ DESTINATION samples)
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL dodavirid_install_release)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Dodavirid)
set(CPACK_PACKAGE_VENDOR Pelrin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Dodavirid-${PROJECT_VERSION})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
