# KaTeX is embedded into the application by the build, from Debian's libjs-katex and
# fonts-katex; nothing of it is committed. The files are copied into the build tree and
# compiled in under qrc:/katex/, the base URL of every math page.
#
# VELM_KATEX_DIR       folder holding katex.min.css and katex.min.js
# VELM_KATEX_FONT_DIR  folder holding the KaTeX_*.woff2 fonts

set(VELM_KATEX_DIR /usr/share/javascript/katex CACHE PATH "Folder of katex.min.css and katex.min.js")
set(VELM_KATEX_FONT_DIR /usr/share/fonts/truetype/katex CACHE PATH "Folder of the KaTeX fonts")

function(velm_embed_katex target)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/katex)
    foreach(file katex.min.css katex.min.js)
        if(NOT EXISTS ${VELM_KATEX_DIR}/${file})
            message(FATAL_ERROR "velm: ${VELM_KATEX_DIR}/${file} is missing; install libjs-katex "
                "(or set VELM_KATEX_DIR to a KaTeX distribution)")
        endif()
        # configure_file follows the symbolic links Debian uses (katex.min.js -> katex.js)
        # and copies again whenever the source changes.
        configure_file(${VELM_KATEX_DIR}/${file} ${out}/${file} COPYONLY)
    endforeach()

    # The style sheet lists woff2 first, and the engine reads woff2, so the other formats
    # would only make the binary bigger.
    file(GLOB fonts ${VELM_KATEX_FONT_DIR}/KaTeX_*.woff2)
    if(NOT fonts)
        message(FATAL_ERROR "velm: no KaTeX fonts in ${VELM_KATEX_FONT_DIR}; install fonts-katex "
            "(or set VELM_KATEX_FONT_DIR)")
    endif()
    set(files katex.min.css katex.min.js)
    foreach(font IN LISTS fonts)
        get_filename_component(name ${font} NAME)
        configure_file(${font} ${out}/fonts/${name} COPYONLY)
        list(APPEND files fonts/${name})
    endforeach()

    set(paths ${files})
    list(TRANSFORM paths PREPEND ${out}/)
    foreach(file IN LISTS files)
        set_source_files_properties(${out}/${file} PROPERTIES QT_RESOURCE_ALIAS ${file})
    endforeach()
    qt_add_resources(${target} velm_katex PREFIX /katex FILES ${paths})
endfunction()
