# The two shared libraries are built the same way: every source folder is an
# OBJECT library, and the shared library is made of those objects.

# vq_add_objects(<name> SOURCES <files...> DEFINE <macro> INCLUDES <dirs...>)
# The OBJECT library <name>_obj compiled with <macro> defined (the export
# side of the public header) and hidden visibility, and its static twin <name>,
# through which tests reach internal functions without exporting them.
function(vq_add_objects name)
    cmake_parse_arguments(ARG "" "DEFINE" "SOURCES;INCLUDES" ${ARGN})
    add_library(${name}_obj OBJECT ${ARG_SOURCES})
    target_include_directories(${name}_obj PUBLIC ${ARG_INCLUDES})
    target_compile_definitions(${name}_obj PRIVATE ${ARG_DEFINE})
    target_link_libraries(${name}_obj PUBLIC vq_numerics)
    set_target_properties(${name}_obj PROPERTIES
        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    add_library(${name} STATIC $<TARGET_OBJECTS:${name}_obj>)
    target_include_directories(${name} PUBLIC ${ARG_INCLUDES})
    target_link_libraries(${name} PUBLIC vq_numerics m)
endfunction()

# vq_add_shared_library(<name> OBJECTS <object libraries...> HEADER <header>
#                       [LINK <libraries...>])
# The shared library <name> (alias VQ::<name>) made of the objects, with its
# public header from the current folder. Its version script <name>.map lists
# exactly the exported names, everything else stays local, and no symbol may
# stay undefined; tests/exports compares the result with the export lists.
function(vq_add_shared_library name)
    cmake_parse_arguments(ARG "" "HEADER" "OBJECTS;LINK" ${ARGN})
    set(objects)
    foreach(library IN LISTS ARG_OBJECTS)
        list(APPEND objects $<TARGET_OBJECTS:${library}>)
    endforeach()
    set(map ${CMAKE_CURRENT_SOURCE_DIR}/${name}.map)
    add_library(${name} SHARED ${objects})
    add_library(VQ::${name} ALIAS ${name})
    target_include_directories(${name} PUBLIC
        $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}>
        $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
    target_link_libraries(${name} PRIVATE ${ARG_LINK})
    target_link_options(${name} PRIVATE "LINKER:--version-script=${map}" "LINKER:--no-undefined")
    set_target_properties(${name} PROPERTIES
        LINKER_LANGUAGE CXX VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
        PUBLIC_HEADER ${ARG_HEADER} LINK_DEPENDS ${map})
endfunction()
