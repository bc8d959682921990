# The release a Windows user downloads: a ZIP with both programs, the help text, a short read-me, the MML
# documentation, the sample songs and the files that teach editors the dialect's colours.
# `cmake --build --preset mingw --target package` makes it.
# Elsewhere, the converter alone: a .tar.gz of what `cmake --install` installs (the program, its manual page,
# the MML manual, the samples and the editors' files) in one folder, named for the system and the processor,
# such as trivane-2.0.0.1-linux-x86_64.tar.gz (`cmake --build --preset linux --target package`).
if(DODAVIRID_CONVERTER_ONLY)
    include(GNUInstallDirs)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/editors/ DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/trivane/editors)
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

# The VS Code extension also as a .vsix, for "Install from VSIX...": packed by VS Code's own tool, which the
# build installs from the npm registry as cmake/vsce pins it (its install scripts are not needed for packing).
file(READ ${PROJECT_SOURCE_DIR}/editors/vscode/package.json _extension)
string(JSON _extension_version GET ${_extension} version)
set(_vsce ${CMAKE_BINARY_DIR}/vsce)
set(_vsix ${CMAKE_BINARY_DIR}/package/trivane-mml-${_extension_version}.vsix)
file(GLOB_RECURSE _extension_files ${PROJECT_SOURCE_DIR}/editors/vscode/*)
add_custom_command(OUTPUT ${_vsix}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_vsce} ${CMAKE_BINARY_DIR}/package
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PROJECT_SOURCE_DIR}/cmake/vsce/package.json
            ${PROJECT_SOURCE_DIR}/cmake/vsce/package-lock.json ${_vsce}
    COMMAND npm ci --prefix ${_vsce} --ignore-scripts --no-audit --no-fund --loglevel=error
    COMMAND ${_vsce}/node_modules/.bin/vsce package --no-dependencies --allow-missing-repository --skip-license
            --out ${_vsix}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/editors/vscode
    DEPENDS ${_extension_files} ${PROJECT_SOURCE_DIR}/cmake/vsce/package-lock.json
    VERBATIM)
add_custom_target(package_vsix ALL DEPENDS ${_vsix})

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
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/editors/ DESTINATION editors)
    install(FILES ${_vsix} DESTINATION editors)
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
