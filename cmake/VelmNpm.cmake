# velm_fetch_npm_package(<package> <version> <sha1> <local copy> <dir> <what> <result>)
#
# Fetches the tarball of an npm package into `dir` once, or copies `local copy` there when
# it is set (to build offline), and checks its SHA-1. Sets `result` to the tarball's path,
# or to an empty string after a warning that the build goes on without `what`.
function(velm_fetch_npm_package package version sha1 local_copy dir what result)
    string(REGEX REPLACE "^@" "" flat ${package})
    string(REPLACE "/" "-" flat ${flat})
    set(tarball ${dir}/${flat}-${version}.tgz)
    set(${result} "" PARENT_SCOPE)
    if(local_copy)
        configure_file(${local_copy} ${tarball} COPYONLY)
    elseif(NOT EXISTS ${tarball})
        find_program(VELM_NPM npm)
        if(NOT VELM_NPM)
            message(WARNING "velm: npm not found; building without ${what}")
            return()
        endif()
        file(MAKE_DIRECTORY ${dir})
        execute_process(
            COMMAND ${VELM_NPM} pack --prefer-offline --silent ${package}@${version}
            WORKING_DIRECTORY ${dir}
            RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors TIMEOUT 180)
        if(NOT status EQUAL 0 OR NOT EXISTS ${tarball})
            message(WARNING "velm: could not fetch ${package} (${status}: ${errors}); "
                "building without ${what}")
            file(REMOVE ${tarball})
            return()
        endif()
    endif()
    file(SHA1 ${tarball} actual)
    if(NOT actual STREQUAL sha1)
        message(WARNING "velm: ${tarball} is not the expected package (SHA-1 ${actual}); "
            "building without ${what}")
        file(REMOVE ${tarball})
        return()
    endif()
    set(${result} ${tarball} PARENT_SCOPE)
endfunction()
