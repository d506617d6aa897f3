# Recording engine: CPU per minute against libmp3lame alone and memory over a
# long recording (memory backend), and a long real-time recording on the
# virtual microphone. Smoke runs are short; the full runs are
#   bench/bin/recording_bench 60 10
#   bench/bin/recording_realtime_bench 600
# (the second needs the virtual audio daemon:
#   bash tests/audio/harness/virtual-audio.sh start <build>/virtual-audio).
add_executable(recording_bench ${CMAKE_CURRENT_LIST_DIR}/recording_bench.cpp)
set_target_properties(recording_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench/bin)
target_link_libraries(recording_bench PRIVATE mirlo_engine mirlo_memorybackend mp3lame)
add_test(NAME bench_recording COMMAND recording_bench 5 1)
set_tests_properties(bench_recording PROPERTIES LABELS bench TIMEOUT 300)

add_executable(recording_realtime_bench ${CMAKE_CURRENT_LIST_DIR}/recording_realtime_bench.cpp)
set_target_properties(recording_realtime_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench/bin)
target_link_libraries(recording_realtime_bench PRIVATE mirlo_e2erecording mirlo_virtualaudio)
add_test(NAME bench_recording_realtime COMMAND recording_realtime_bench 5)
set_tests_properties(bench_recording_realtime PROPERTIES LABELS bench TIMEOUT 900
  FIXTURES_REQUIRED virtual_audio)
