# Real audio: the engine records from the virtual microphone of the
# virtual_audio fixture; engine_recorder is killed mid-recording by a test.
add_library(mirlo_e2erecording STATIC ${CMAKE_CURRENT_LIST_DIR}/e2erecording.cpp
  ${CMAKE_CURRENT_LIST_DIR}/burstsignal.cpp)
target_link_libraries(mirlo_e2erecording PUBLIC mirlo_engine mirlo_mp3check)

add_executable(engine_recorder ${CMAKE_CURRENT_LIST_DIR}/engine_recorder.cpp)
target_link_libraries(engine_recorder PRIVATE mirlo_engine)
set_target_properties(engine_recorder PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests/bin)

mirlo_test(test_recordingengine_e2e SOURCES test_engine_e2e.cpp
  LIBS mirlo_e2erecording mirlo_virtualaudio
  LABELS e2e FIXTURES virtual_audio)
add_dependencies(test_recordingengine_e2e engine_recorder)
