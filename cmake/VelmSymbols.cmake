# The symbols the views draw, embedded under qrc:/symbols/ by the build and never committed:
# the Lucide icons (npm package lucide-static, ISC licence) that resources/symbols.map names.
# When the package cannot be fetched the build goes on with a warning and symbols draw as
# empty space.
#
# VELM_LUCIDE_PACKAGE  a local copy of the npm package tarball, to build offline

set(VELM_LUCIDE_PACKAGE "" CACHE FILEPATH
    "Local copy of the lucide-static tarball (fetched with npm when empty)")

set(VELM_LUCIDE_VERSION 1.87.0)
set(VELM_LUCIDE_SHA1 409912ac057d8e27be7702c444fd8ab02f31841a)

function(_velm_fetch_lucide dir result)
    set(tarball ${dir}/lucide-static-${VELM_LUCIDE_VERSION}.tgz)
    if(VELM_LUCIDE_PACKAGE)
        configure_file(${VELM_LUCIDE_PACKAGE} ${tarball} COPYONLY)
    elseif(NOT EXISTS ${tarball})
        find_program(VELM_NPM npm)
        if(NOT VELM_NPM)
            message(WARNING "velm: npm not found; building without symbols")
            set(${result} "" PARENT_SCOPE)
            return()
        endif()
        file(MAKE_DIRECTORY ${dir})
        execute_process(
            COMMAND ${VELM_NPM} pack --prefer-offline --silent lucide-static@${VELM_LUCIDE_VERSION}
            WORKING_DIRECTORY ${dir}
            RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors TIMEOUT 180)
        if(NOT status EQUAL 0 OR NOT EXISTS ${tarball})
            message(WARNING "velm: could not fetch lucide-static (${status}: ${errors}); "
                "building without symbols")
            file(REMOVE ${tarball})
            set(${result} "" PARENT_SCOPE)
            return()
        endif()
    endif()
    file(SHA1 ${tarball} sha1)
    if(NOT sha1 STREQUAL VELM_LUCIDE_SHA1)
        message(WARNING "velm: ${tarball} is not the expected package (SHA-1 ${sha1}); "
            "building without symbols")
        file(REMOVE ${tarball})
        set(${result} "" PARENT_SCOPE)
        return()
    endif()
    set(${result} ${tarball} PARENT_SCOPE)
endfunction()

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
        _velm_fetch_lucide(${CMAKE_CURRENT_BINARY_DIR}/npm tarball)
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
