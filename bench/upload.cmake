# Split-upload throughput on loopback and memory held, next to a plain client.
add_executable(upload_bench ${CMAKE_CURRENT_LIST_DIR}/upload_bench.cpp
  ${PROJECT_SOURCE_DIR}/tests/send/uploadserver.cpp)
set_target_properties(upload_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench/bin)
target_link_libraries(upload_bench PRIVATE mirlo_upload mirlo_settings mirlo_seams Qt6::Network)
target_compile_definitions(upload_bench PRIVATE
  MIRLO_TESTS_DIR="${PROJECT_SOURCE_DIR}/tests" MIRLO_BENCH_DIR="${CMAKE_CURRENT_LIST_DIR}")
add_test(NAME bench_upload COMMAND upload_bench)
set_tests_properties(bench_upload PROPERTIES LABELS bench TIMEOUT 600
  ENVIRONMENT QT_QPA_PLATFORM=offscreen)
