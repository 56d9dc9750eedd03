# The warnings every build is held to, the program's and the fuzzers' alike; with
# -DKEYLINKER_WERROR=ON each one stops the build.
option(KEYLINKER_WERROR "Treat compiler warnings as errors" OFF)
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow)
if(KEYLINKER_WERROR)
    add_compile_options(-Werror)
endif()
