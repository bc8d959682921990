# dodavirid_add_subdirectories(): adds every folder below the current one that has a CMakeLists.txt, so that
# a new component or test folder joins the build without an edit here.
macro(dodavirid_add_subdirectories)
    file(GLOB _children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
    list(SORT _children)
    foreach(_child ${_children})
        if(IS_DIRECTORY ${_child} AND EXISTS ${_child}/CMakeLists.txt)
            add_subdirectory(${_child})
        endif()
    endforeach()
endmacro()
