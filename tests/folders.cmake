scrivlist_test(tst_folders)
# The sample folder is tested as the build placed it.
target_compile_definitions(tst_folders PRIVATE SCRIVLIST_BUILT_SAMPLES="${CMAKE_BINARY_DIR}/Samples")
