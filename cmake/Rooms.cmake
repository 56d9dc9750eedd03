# The rooms of the house and which rooms below each may use. A room's library is linked only through
# keylinker_room_links, which refuses what this table does not allow, so the direction of the house is
# kept by the build. Headers of a room are found only by the rooms linked to it.
set(keylinker_room_common_uses "")
set(keylinker_room_rewrite_uses common)
set(keylinker_room_keyfile_uses common rewrite)
set(keylinker_room_authoring_uses common rewrite)
set(keylinker_room_exchange_uses common rewrite authoring)
set(keylinker_room_tasks_uses common rewrite keyfile authoring)
set(keylinker_room_settings_uses "")
set(keylinker_room_finder_uses keyfile)
set(keylinker_room_viewer_uses common keyfile)
set(keylinker_room_ui_uses common rewrite keyfile authoring exchange tasks settings finder viewer)
set(keylinker_room_cli_uses common rewrite keyfile authoring exchange tasks finder)

# keyfile/ also builds keylinker_file_platform, its file system without Qt, which keylinker_keyfile
# links publicly; the finder reaches it only through keyfile.

# keylinker_room_links(ROOM [PUBLIC room...] [PRIVATE room...]): links the library keylinker_ROOM to
# the libraries of the rooms named. PUBLIC only where the room's own headers include theirs.
function(keylinker_room_links room)
    cmake_parse_arguments(PARSE_ARGV 1 LINK "" "" "PUBLIC;PRIVATE")
    foreach(used IN LISTS LINK_PUBLIC LINK_PRIVATE)
        if(NOT used IN_LIST keylinker_room_${room}_uses)
            message(FATAL_ERROR "${room} may not use ${used}: see cmake/Rooms.cmake")
        endif()
    endforeach()
    list(TRANSFORM LINK_PUBLIC PREPEND keylinker_)
    list(TRANSFORM LINK_PRIVATE PREPEND keylinker_)
    target_link_libraries(keylinker_${room} PUBLIC ${LINK_PUBLIC} PRIVATE ${LINK_PRIVATE})
endfunction()

# keylinker_room(ROOM SOURCES...): the library of a room of plain Qt Core code.
function(keylinker_room room)
    add_library(keylinker_${room} STATIC ${ARGN})
    target_include_directories(keylinker_${room} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(keylinker_${room} PUBLIC Qt6::Core)
endfunction()
