# The I/O layer on its own: the mount table, lanes and their time-out, lookups.
scrivlist_test(tst_io scrivlist_io)
