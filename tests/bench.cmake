# The benchmark at a toy size, so it keeps working: no figure is judged here,
# only that every step ran without an error box (it exits 1 after one).
add_test(NAME bench_smoke COMMAND scrivlist-bench --files 2000 --lines 20000 --rounds 1)
set_tests_properties(bench_smoke PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false"
    TIMEOUT 120)

# The slow-disk save at a rate that takes a moment; skipped where FUSE cannot mount.
if(TARGET scrivlist-slowfs)
    add_test(NAME bench_slow_disk_smoke COMMAND scrivlist-bench --slow-disk-kbps 100000)
    set_tests_properties(bench_slow_disk_smoke PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false"
        SKIP_RETURN_CODE 77
        TIMEOUT 120)
endif()

# The share stand-in at a toy size; where FUSE is missing it says so and passes.
add_test(NAME bench_share_smoke COMMAND scrivlist-bench --share-latency-ms 1 --files 300 --rounds 1)
set_tests_properties(bench_share_smoke PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false"
    TIMEOUT 120)
