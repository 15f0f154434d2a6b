scrivlist_test(tst_help)
