# KaTeX is embedded into the application by the build, from Debian's libjs-katex and
# fonts-katex; nothing of it is committed. The script and the TrueType fonts are copied into
# the build tree and compiled in under qrc:/katex/.
#
# VELM_KATEX_DIR       folder holding katex.min.js
# VELM_KATEX_FONT_DIR  folder holding the KaTeX_*.ttf fonts

set(VELM_KATEX_DIR /usr/share/javascript/katex CACHE PATH "Folder of katex.min.js")
set(VELM_KATEX_FONT_DIR /usr/share/fonts/truetype/katex CACHE PATH "Folder of the KaTeX fonts")

function(velm_embed_katex target)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/katex)
    if(NOT EXISTS ${VELM_KATEX_DIR}/katex.min.js)
        message(FATAL_ERROR "velm: ${VELM_KATEX_DIR}/katex.min.js is missing; install libjs-katex "
            "(or set VELM_KATEX_DIR to a KaTeX distribution)")
    endif()
    # configure_file follows the symbolic links Debian uses (katex.min.js -> katex.js) and
    # copies again whenever the source changes.
    configure_file(${VELM_KATEX_DIR}/katex.min.js ${out}/katex.min.js COPYONLY)

    # Qt's font database reads TrueType everywhere; the web formats would add nothing.
    file(GLOB fonts ${VELM_KATEX_FONT_DIR}/KaTeX_*.ttf)
    if(NOT fonts)
        message(FATAL_ERROR "velm: no KaTeX fonts in ${VELM_KATEX_FONT_DIR}; install fonts-katex "
            "(or set VELM_KATEX_FONT_DIR)")
    endif()
    set(files katex.min.js)
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
