# Everything a fuzzing build compiles carries libFuzzer's coverage hooks and the
# sanitizers, so the libraries the targets link are instrumented as they are.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "SCRIVLIST_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
endif()
add_compile_options(-O1 -g -fno-omit-frame-pointer
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
# Out-of-range indexing in standard containers aborts instead of reading on.
add_compile_definitions(_GLIBCXX_ASSERTIONS)
add_link_options(-fsanitize=address,undefined)
