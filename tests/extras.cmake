scrivlist_test(tst_extras)
