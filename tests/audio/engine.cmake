# The recording engine, its buttons and playback, tick by tick through the
# memory capture backend.
add_library(mirlo_mp3check STATIC ${CMAKE_CURRENT_LIST_DIR}/mp3check.cpp)
target_link_libraries(mirlo_mp3check PUBLIC Qt6::Core PRIVATE PkgConfig::MPG123)

mirlo_test(test_recordingengine SOURCES test_engine.cpp
  LIBS mirlo_engine mirlo_memorybackend mirlo_mp3check)
