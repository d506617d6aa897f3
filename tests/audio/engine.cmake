# The recording engine, its buttons and playback, tick by tick through the
# memory capture backend.
mirlo_test(test_recordingengine SOURCES test_engine.cpp
  LIBS mirlo_engine mirlo_memorybackend mirlo_mp3check)
