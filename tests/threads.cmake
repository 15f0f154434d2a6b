# The background threads: their bounds, and the window's thread never waiting for a hung mount.
scrivlist_test(tst_threads scrivlist_search)
# The save dialog never looks at a typed path on the window's thread.
scrivlist_test(tst_savedialog scrivlist_app)
