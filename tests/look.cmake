scrivlist_test(tst_look scrivlist_windowsupport)
# The example skin and the hand cursor of the repository are tested as shipped.
target_compile_definitions(tst_look PRIVATE SCRIVLIST_EXTRAS_DIR="${PROJECT_SOURCE_DIR}/extras")
