# Translations. lupdate gathers every text of src/ that goes through tr() or
# QCoreApplication::translate() into translations/velm.ts in the build folder: the template a
# translator starts from, made again only when a source changes. Each translations/velm_<locale>.ts
# of the source tree is compiled by lrelease into velm_<locale>.qm beside it, where a velm run
# from the build folder finds it, and installed under share/velm/translations, where an
# installed velm does (base/translations.h).
#
# Qt's own CMake functions for this come with qt6-tools-dev, which brings Qt Designer and
# Assistant along; qt6-l10n-tools has the two programs alone.

include(GNUInstallDirs)

find_program(VELM_LUPDATE lupdate PATHS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} NO_DEFAULT_PATH)
find_program(VELM_LUPDATE NAMES lupdate-qt6 lupdate6 lupdate)
find_program(VELM_LRELEASE lrelease PATHS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} NO_DEFAULT_PATH)
find_program(VELM_LRELEASE NAMES lrelease-qt6 lrelease6 lrelease)
if(NOT VELM_LUPDATE OR NOT VELM_LRELEASE)
    message(FATAL_ERROR "lupdate and lrelease of Qt 6 not found (Debian: qt6-l10n-tools)")
endif()

set(VELM_TRANSLATIONS_DIR ${PROJECT_BINARY_DIR}/translations)
set(VELM_TRANSLATIONS_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/velm/translations)
# The installed folder as the binary sees it, whatever the prefix.
file(RELATIVE_PATH VELM_INSTALLED_TRANSLATIONS
    ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
    ${CMAKE_INSTALL_PREFIX}/${VELM_TRANSLATIONS_INSTALL_DIR})

# velm_compile_translations(<target> <output folder> <files.ts…>): lrelease for each, when
# <target> is built.
function(velm_compile_translations target folder)
    set(compiled "")
    foreach(ts IN LISTS ARGN)
        get_filename_component(stem ${ts} NAME_WE)
        set(qm ${folder}/${stem}.qm)
        add_custom_command(OUTPUT ${qm}
            COMMAND ${VELM_LRELEASE} -silent ${ts} -qm ${qm}
            DEPENDS ${ts} VERBATIM)
        list(APPEND compiled ${qm})
    endforeach()
    add_custom_target(${target} ALL DEPENDS ${compiled})
    set(${target}_FILES ${compiled} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE velm_translated_sources CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/src/*.cpp ${PROJECT_SOURCE_DIR}/src/*.h)
list(JOIN velm_translated_sources "\n" velm_source_lines)
# Rewritten only when the list changes, so that an unchanged tree leaves velm.ts alone.
file(CONFIGURE OUTPUT ${VELM_TRANSLATIONS_DIR}/sources.txt CONTENT "${velm_source_lines}\n" @ONLY)
add_custom_command(OUTPUT ${VELM_TRANSLATIONS_DIR}/velm.ts ${VELM_TRANSLATIONS_DIR}/lupdate.log
    COMMAND ${CMAKE_COMMAND} -DLUPDATE=${VELM_LUPDATE} -DSOURCES=${VELM_TRANSLATIONS_DIR}/sources.txt
        -DINCLUDE=${PROJECT_SOURCE_DIR}/src -DTS=${VELM_TRANSLATIONS_DIR}/velm.ts
        -DLOG=${VELM_TRANSLATIONS_DIR}/lupdate.log -P ${PROJECT_SOURCE_DIR}/cmake/VelmLupdate.cmake
    DEPENDS ${velm_translated_sources} ${VELM_TRANSLATIONS_DIR}/sources.txt
        ${PROJECT_SOURCE_DIR}/cmake/VelmLupdate.cmake
    COMMENT "Gathering the texts to translate into translations/velm.ts" VERBATIM)
add_custom_target(velm_ts ALL DEPENDS ${VELM_TRANSLATIONS_DIR}/velm.ts)

file(GLOB velm_languages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/translations/velm_*.ts)
velm_compile_translations(velm_qm ${VELM_TRANSLATIONS_DIR} ${velm_languages})
install(FILES ${velm_qm_FILES} DESTINATION ${VELM_TRANSLATIONS_INSTALL_DIR})
