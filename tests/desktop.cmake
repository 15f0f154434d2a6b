# What reaches the program from the desktop and what it shows there: the
# command line, and the count on the dock.
scrivlist_test(tst_commandline scrivlist_app)
scrivlist_test(tst_dock scrivlist_dock)
