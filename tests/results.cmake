scrivlist_test(tst_filters)
scrivlist_test(tst_export)
scrivlist_test(tst_copy)
