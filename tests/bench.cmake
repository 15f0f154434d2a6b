# The benchmark at a toy size, so it keeps working: no figure is judged here,
# only that every step ran without an error box (it exits 1 after one).
add_test(NAME bench_smoke COMMAND scrivlist-bench --files 2000 --lines 20000 --rounds 1)
set_tests_properties(bench_smoke PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false"
    TIMEOUT 120)
