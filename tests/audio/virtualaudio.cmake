# Virtual audio devices for tests that go through PortAudio: a private
# PulseAudio daemon, started once per ctest run by the `virtual_audio` fixture.
# Tests that need devices declare FIXTURES virtual_audio and link mirlo_virtualaudio.
set(MIRLO_VIRTUAL_AUDIO_DIR ${PROJECT_BINARY_DIR}/virtual-audio)
set(MIRLO_AUDIO_HARNESS_DIR ${CMAKE_CURRENT_LIST_DIR}/harness)

add_test(NAME virtual_audio_start
  COMMAND bash ${MIRLO_AUDIO_HARNESS_DIR}/virtual-audio.sh start ${MIRLO_VIRTUAL_AUDIO_DIR})
set_tests_properties(virtual_audio_start PROPERTIES FIXTURES_SETUP virtual_audio TIMEOUT 60)
add_test(NAME virtual_audio_stop
  COMMAND bash ${MIRLO_AUDIO_HARNESS_DIR}/virtual-audio.sh stop ${MIRLO_VIRTUAL_AUDIO_DIR})
set_tests_properties(virtual_audio_stop PROPERTIES FIXTURES_CLEANUP virtual_audio TIMEOUT 60)

add_library(mirlo_virtualaudio STATIC ${CMAKE_CURRENT_LIST_DIR}/virtualaudio.cpp)
target_link_libraries(mirlo_virtualaudio PUBLIC Qt6::Core)
target_compile_definitions(mirlo_virtualaudio PRIVATE
  MIRLO_VIRTUAL_AUDIO_DIR="${MIRLO_VIRTUAL_AUDIO_DIR}"
  MIRLO_AUDIO_HARNESS_DIR="${MIRLO_AUDIO_HARNESS_DIR}")

# Captured audio from memory, for deterministic tests through the backend seam.
add_library(mirlo_memorybackend STATIC ${CMAKE_CURRENT_LIST_DIR}/memorybackend.cpp)
target_link_libraries(mirlo_memorybackend PUBLIC mirlo_sound)
