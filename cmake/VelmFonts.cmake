# The application's own fonts, embedded under qrc:/fonts/ by the build and never committed:
# Inter from Debian's fonts-inter, Playfair Display from the npm package
# @expo-google-fonts/playfair-display (pinned and checked). A font that cannot be found or
# fetched is left out with a warning: the application then falls back to the system font.
#
# VELM_INTER_DIR         folder holding Inter-Regular.otf, Inter-Medium.otf, Inter-SemiBold.otf
# VELM_PLAYFAIR_PACKAGE  a local copy of the npm package tarball, to build offline

include(${CMAKE_CURRENT_LIST_DIR}/VelmNpm.cmake)

set(VELM_INTER_DIR /usr/share/fonts/opentype/inter CACHE PATH "Folder of the Inter OTF files")
set(VELM_PLAYFAIR_PACKAGE "" CACHE FILEPATH
    "Local copy of the @expo-google-fonts/playfair-display tarball (fetched with npm when empty)")

set(VELM_PLAYFAIR_VERSION 0.4.2)
set(VELM_PLAYFAIR_SHA1 a2ce52b803eebf5e8fa62cdbb26e85b08f0665b7)

function(velm_embed_fonts target)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/fonts)
    set(files)

    # Resource names follow the font files of the original design; the faces inside are
    # Debian's Inter, whose family is "Inter".
    foreach(pair "Regular;Inter_18pt-Regular" "Medium;Inter_18pt-Medium"
                 "SemiBold;Inter_18pt-SemiBold")
        list(GET pair 0 weight)
        list(GET pair 1 name)
        if(EXISTS ${VELM_INTER_DIR}/Inter-${weight}.otf)
            configure_file(${VELM_INTER_DIR}/Inter-${weight}.otf ${out}/${name}.otf COPYONLY)
            list(APPEND files ${name}.otf)
        else()
            message(WARNING "velm: ${VELM_INTER_DIR}/Inter-${weight}.otf not found "
                "(install fonts-inter); text in that face uses the system font")
        endif()
    endforeach()

    set(playfair 400Regular:Regular 500Medium:Medium 600SemiBold:SemiBold 700Bold:Bold
        900Black:Black)
    set(have_all TRUE)
    foreach(pair IN LISTS playfair)
        string(REPLACE ":" ";" pair ${pair})
        list(GET pair 1 weight)
        if(NOT EXISTS ${out}/PlayfairDisplay-${weight}.ttf)
            set(have_all FALSE)
        endif()
    endforeach()
    if(NOT have_all)
        velm_fetch_npm_package(@expo-google-fonts/playfair-display ${VELM_PLAYFAIR_VERSION}
            ${VELM_PLAYFAIR_SHA1} "${VELM_PLAYFAIR_PACKAGE}" ${CMAKE_CURRENT_BINARY_DIR}/npm
            "the Playfair Display fonts" tarball)
        if(tarball)
            set(unpacked ${CMAKE_CURRENT_BINARY_DIR}/npm/unpacked)
            file(REMOVE_RECURSE ${unpacked})
            file(ARCHIVE_EXTRACT INPUT ${tarball} DESTINATION ${unpacked} PATTERNS "*.ttf")
            foreach(pair IN LISTS playfair)
                string(REPLACE ":" ";" pair ${pair})
                list(GET pair 0 style)
                list(GET pair 1 weight)
                set(source ${unpacked}/package/${style}/PlayfairDisplay_${style}.ttf)
                if(EXISTS ${source})
                    configure_file(${source} ${out}/PlayfairDisplay-${weight}.ttf COPYONLY)
                endif()
            endforeach()
            file(REMOVE_RECURSE ${unpacked})
        endif()
    endif()
    foreach(pair IN LISTS playfair)
        string(REPLACE ":" ";" pair ${pair})
        list(GET pair 1 weight)
        if(EXISTS ${out}/PlayfairDisplay-${weight}.ttf)
            list(APPEND files PlayfairDisplay-${weight}.ttf)
        endif()
    endforeach()

    if(NOT files)
        return()
    endif()
    set(paths)
    foreach(file IN LISTS files)
        set_source_files_properties(${out}/${file} PROPERTIES QT_RESOURCE_ALIAS ${file})
        list(APPEND paths ${out}/${file})
    endforeach()
    qt_add_resources(${target} velm_fonts PREFIX /fonts FILES ${paths})
endfunction()
