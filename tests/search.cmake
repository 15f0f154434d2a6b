scrivlist_test(tst_walk)
scrivlist_test(tst_search)
