# What reaches the program from the desktop and what it shows there: the
# command line, and the count on the dock.
scrivlist_test(tst_commandline scrivlist_app)
scrivlist_test(tst_dock scrivlist_dock)

# The built program started with folders, in a real window under its own X
# server and D-Bus session.
add_test(NAME e2e_command_line
    COMMAND dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24"
            /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/command_line_folders.py --exe $<TARGET_FILE:scrivlist>)
set_tests_properties(e2e_command_line PROPERTIES TIMEOUT 180)
