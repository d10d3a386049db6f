# cmake -DTS=<velm.ts> [-DLOG=<lupdate.log>] -P VelmCheckTranslations.cmake
#
# The test that the template the build made holds what a translator needs: lupdate found
# every text without a complaint (a tr() it could not place, a class without Q_OBJECT, whose
# texts would land in the wrong context), and known texts of each layer stand under the
# class or context where they appear.
file(READ ${TS} template)
if(DEFINED LOG)
    file(STRINGS ${LOG} complaints REGEX "[Ww]arning|[Ee]rror|[Cc]annot|lacks Q_OBJECT")
    if(complaints)
        list(JOIN complaints "\n" complaints)
        message(FATAL_ERROR "lupdate complained:\n${complaints}")
    endif()
endif()

set(missing "")
foreach(expected IN ITEMS
        "AppTheme|Dark"
        "NewChatLabels|Good morning, %1"
        "SidebarHeader|New Chat"
        "ThoughtRow|Thought for %n seconds"
        "ModelSettingsTab|Check Connection"
        "MenuBarItem|Quit velm"
        "UpdateDialog|Release Notes")
    string(REPLACE "|" ";" pair "${expected}")
    list(GET pair 0 context)
    list(GET pair 1 text)
    string(FIND "${template}" "<name>${context}</name>" start)
    set(found FALSE)
    if(start GREATER_EQUAL 0)
        string(SUBSTRING "${template}" ${start} -1 rest)
        string(FIND "${rest}" "</context>" end)
        string(SUBSTRING "${rest}" 0 ${end} body)
        string(FIND "${body}" "<source>${text}</source>" at)
        if(at GREATER_EQUAL 0)
            set(found TRUE)
        endif()
    endif()
    if(NOT found)
        string(APPEND missing "\n  ${context}: ${text}")
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "${TS} lacks${missing}")
endif()
