mirlo_test(test_encoder SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_encoder.cpp
  LIBS mirlo_encoder mirlo_mp3check)
