# velm_add_library(<name> [USES <libraries and Qt modules>…] [PRIVATE <…>])
#
# One folder is one static library and one layer. The library holds every source of its
# folder (not of the folders below it, which are libraries of their own) and names once,
# here, what it may use; the layer check run by the tests (cmake/VelmCheckLayers.cmake)
# fails when a source includes a header of a library that is not among them.
function(velm_add_library name)
    cmake_parse_arguments(ARG "" "" "USES;PRIVATE" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${ARG_USES} PRIVATE velm_warnings ${ARG_PRIVATE})
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
    set_target_properties(${name} PROPERTIES VELM_FOLDER "${folder}")
    set_property(GLOBAL APPEND PROPERTY VELM_LIBRARIES ${name})

    velm_autogen_on_new_files(${name} "${sources}")
endfunction()

# Ninja runs moc from a depfile that knows only the headers seen last time, so a file added
# to a folder would not be moc'd in an existing build tree (and a link would miss its
# meta-object). When the list of a target's files changes, its moc stamp goes, which makes
# moc run again in full on the next build.
function(velm_autogen_on_new_files name files)
    set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_files.txt)
    set(previous "")
    if(EXISTS ${list_file})
        file(READ ${list_file} previous)
    endif()
    if(NOT previous STREQUAL "${files}")
        file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen/timestamp)
        file(WRITE ${list_file} "${files}")
    endif()
endfunction()
