# Run by the build (VelmTranslations.cmake): makes TS afresh from the sources listed in SOURCES,
# so that a text gone from the code is gone from the template too, and keeps what lupdate said
# in LOG, where a test looks for its warnings.
file(REMOVE ${TS})
execute_process(
    COMMAND ${LUPDATE} -locations relative -no-obsolete -I ${INCLUDE} @${SOURCES} -ts ${TS}
    OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE result)
file(WRITE ${LOG} "${out}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "lupdate failed:\n${out}")
endif()
if(out MATCHES "[Ww]arning|[Ee]rror|Cannot|lacks")
    message(WARNING "lupdate:\n${out}")
endif()
