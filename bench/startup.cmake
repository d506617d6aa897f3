# Start-up time of Mirlo to its first shown window.
add_executable(startup_bench ${CMAKE_CURRENT_LIST_DIR}/startup_bench.cpp)
set_target_properties(startup_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench/bin)
target_link_libraries(startup_bench PRIVATE Qt6::Core)
target_compile_definitions(startup_bench PRIVATE MIRLO_EXE="$<TARGET_FILE:Mirlo>")
add_dependencies(startup_bench Mirlo)
add_test(NAME bench_startup COMMAND startup_bench 5)
set_tests_properties(bench_startup PROPERTIES LABELS bench TIMEOUT 300)
