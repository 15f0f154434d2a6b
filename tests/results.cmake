# Result lists filled and read the one way every results test does it.
add_library(scrivlist_resultsupport INTERFACE support/ResultLists.h)
target_link_libraries(scrivlist_resultsupport INTERFACE scrivlist_testsupport scrivlist_results)

scrivlist_test(tst_filters scrivlist_resultsupport)
scrivlist_test(tst_export scrivlist_resultsupport)
scrivlist_test(tst_copy scrivlist_resultsupport)
scrivlist_test(tst_handover scrivlist_resultsupport)
scrivlist_test(tst_undo scrivlist_resultsupport)
