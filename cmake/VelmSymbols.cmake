# The symbols the views draw, embedded under qrc:/symbols/ by the build and never committed:
# the Lucide icons (npm package lucide-static, ISC licence) that resources/symbols.map names.
# When the package cannot be fetched the build goes on with a warning and symbols draw as
# empty space.
#
# VELM_LUCIDE_PACKAGE  a local copy of the npm package tarball, to build offline

include(${CMAKE_CURRENT_LIST_DIR}/VelmNpm.cmake)

set(VELM_LUCIDE_PACKAGE "" CACHE FILEPATH
    "Local copy of the lucide-static tarball (fetched with npm when empty)")

set(VELM_LUCIDE_VERSION 1.87.0)
set(VELM_LUCIDE_SHA1 409912ac057d8e27be7702c444fd8ab02f31841a)

function(velm_embed_symbols target)
    set(map ${PROJECT_SOURCE_DIR}/resources/symbols.map)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${map})
    file(STRINGS ${map} lines REGEX "^[^#]")
    set(icons)
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[^ ]+ +([^ ]+) *$" "\\1" icon "${line}")
        list(APPEND icons ${icon})
    endforeach()
    list(REMOVE_DUPLICATES icons)

    set(out ${CMAKE_CURRENT_BINARY_DIR}/symbols)
    set(have_all TRUE)
    foreach(icon IN LISTS icons)
        if(NOT EXISTS ${out}/${icon}.svg)
            set(have_all FALSE)
        endif()
    endforeach()
    if(NOT have_all)
        velm_fetch_npm_package(lucide-static ${VELM_LUCIDE_VERSION} ${VELM_LUCIDE_SHA1}
            "${VELM_LUCIDE_PACKAGE}" ${CMAKE_CURRENT_BINARY_DIR}/npm symbols tarball)
        if(tarball)
            set(unpacked ${CMAKE_CURRENT_BINARY_DIR}/npm/lucide)
            file(REMOVE_RECURSE ${unpacked})
            file(ARCHIVE_EXTRACT INPUT ${tarball} DESTINATION ${unpacked}
                PATTERNS "package/icons/*.svg" "package/LICENSE")
            foreach(icon IN LISTS icons)
                if(EXISTS ${unpacked}/package/icons/${icon}.svg)
                    configure_file(${unpacked}/package/icons/${icon}.svg ${out}/${icon}.svg
                        COPYONLY)
                else()
                    message(WARNING "velm: lucide-static has no icon ${icon}")
                endif()
            endforeach()
            file(REMOVE_RECURSE ${unpacked})
        endif()
    endif()

    set_source_files_properties(${map} PROPERTIES QT_RESOURCE_ALIAS symbols.map)
    set(paths ${map})
    foreach(icon IN LISTS icons)
        if(EXISTS ${out}/${icon}.svg)
            set_source_files_properties(${out}/${icon}.svg PROPERTIES QT_RESOURCE_ALIAS ${icon}.svg)
            list(APPEND paths ${out}/${icon}.svg)
        endif()
    endforeach()
    qt_add_resources(${target} velm_symbols PREFIX /symbols FILES ${paths})
endfunction()
