# Installs the build into PREFIX and checks that each installed file is where a desktop and the
# program look for it.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(path
        bin/keylinker
        bin/keylinker-cli
        share/keylinker/dichotabd.html
        share/keylinker/dichotabe.html
        share/keylinker/dichotab.css
        share/keylinker/printed-key.png
        share/keylinker/examples/Laubbaeume.htm
        share/man/man1/keylinker.1
        share/man/man1/keylinker-cli.1
        share/applications/${APP_ID}.desktop
        share/metainfo/${APP_ID}.metainfo.xml
        share/icons/hicolor/scalable/apps/${APP_ID}.svg)
    if(NOT EXISTS ${PREFIX}/${path})
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()
