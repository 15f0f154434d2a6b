scrivlist_test(tst_walk scrivlist_search)
scrivlist_test(tst_search scrivlist_search)
# The sample folder is searched as the build placed it.
target_compile_definitions(tst_search PRIVATE SCRIVLIST_BUILT_SAMPLES="${CMAKE_BINARY_DIR}/Samples")
