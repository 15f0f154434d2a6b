# scrivlist --list: its arguments in-process, its walk beside the window's, and the built program run as a process.
scrivlist_test(tst_list scrivlist_cli)
target_link_libraries(tst_list PRIVATE scrivlist_searchsupport)
target_compile_definitions(tst_list PRIVATE SCRIVLIST_PROGRAM="$<TARGET_FILE:scrivlist>")
add_dependencies(tst_list scrivlist)
# The share stand-in, where it is built, for a listing that hangs in the kernel.
if(TARGET scrivlist-slowfs)
    target_compile_definitions(tst_list PRIVATE SCRIVLIST_SLOWFS="$<TARGET_FILE:scrivlist-slowfs>")
    add_dependencies(tst_list scrivlist-slowfs)
endif()
