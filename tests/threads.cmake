# Hung and slow file systems: the bounds of threads, the time-out, and the window never waiting for a mount.
scrivlist_test(tst_threads scrivlist_searchsupport)
# The save dialog never looks at a typed path on the window's thread.
scrivlist_test(tst_savedialog scrivlist_app)
