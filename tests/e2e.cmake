# The built program in a real window under its own X server and D-Bus session,
# driven from outside through accessibility, the pointer and the keyboard.
add_test(NAME e2e_window
    COMMAND dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24"
            /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/typical_request.py
            --exe $<TARGET_FILE:scrivlist> --artifacts ${CMAKE_BINARY_DIR}/artifacts)
# Every wait inside is bounded; this only catches a hung X server or bus.
set_tests_properties(e2e_window PROPERTIES TIMEOUT 180)
