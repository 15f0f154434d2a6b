# The search harness and the scripted folder reader the walk's tests share.
add_library(scrivlist_searchsupport INTERFACE support/SearchHarness.h support/ScriptedReader.h)
target_link_libraries(scrivlist_searchsupport INTERFACE scrivlist_resultsupport scrivlist_search)

scrivlist_test(tst_lines scrivlist_searchsupport)
scrivlist_test(tst_lister scrivlist_searchsupport)
scrivlist_test(tst_skips scrivlist_searchsupport)
scrivlist_test(tst_search scrivlist_searchsupport)
# The sample folder is searched as the build placed it.
target_compile_definitions(tst_search PRIVATE SCRIVLIST_BUILT_SAMPLES="${CMAKE_BINARY_DIR}/Samples")
