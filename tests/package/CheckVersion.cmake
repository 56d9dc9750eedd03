# The version is set once, in project(VERSION); every other place that names it must agree: both
# programs' --version, the Debian changelog (which names the package's version), the man pages and
# the newest release of the metainfo.
set(failures "")
function(expect what actual)
    if(NOT actual STREQUAL VERSION)
        set(failures "${failures}${what} names \"${actual}\", project(VERSION) is \"${VERSION}\"\n" PARENT_SCOPE)
    endif()
endfunction()
# The first group of PATTERN in TEXT, or nothing.
function(first_group out pattern text)
    string(REGEX MATCH "${pattern}" match "${text}")
    if(match)
        set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
    else()
        set(${out} "" PARENT_SCOPE)
    endif()
endfunction()

foreach(program WINDOW CLI)
    get_filename_component(name ${${program}} NAME)
    execute_process(COMMAND ${${program}} --version OUTPUT_VARIABLE output RESULT_VARIABLE result)
    first_group(shown "^${name} ([^\n]*)\n$" "${output}")
    if(NOT result EQUAL 0)
        set(shown "exit status ${result}")
    endif()
    expect("${name} --version" "${shown}")
endforeach()

file(STRINGS ${SOURCE_DIR}/debian/changelog entry LIMIT_COUNT 1)
first_group(shown "^keylinker \\(([^)]*)\\)" "${entry}")
expect("debian/changelog" "${shown}")

foreach(page keylinker.1 keylinker-cli.1)
    file(STRINGS ${SOURCE_DIR}/man/${page} title REGEX "^\\.TH " LIMIT_COUNT 1)
    first_group(shown "\"keylinker ([^\"]*)\"" "${title}")
    expect("man/${page}" "${shown}")
endforeach()

file(READ ${SOURCE_DIR}/data/${APP_ID}.metainfo.xml metainfo)
first_group(shown "<release version=\"([^\"]*)\"" "${metainfo}")
expect("the metainfo's newest release" "${shown}")

if(failures)
    message(FATAL_ERROR "${failures}")
endif()
