# Checks on decoded audio shared by the audio tests.
add_library(mirlo_audiocheck STATIC ${CMAKE_CURRENT_LIST_DIR}/audiocheck.cpp)
target_link_libraries(mirlo_audiocheck PUBLIC Qt6::Core PRIVATE mirlo_encoder PkgConfig::MPG123)

mirlo_test(test_encoder SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_encoder.cpp
  LIBS mirlo_encoder mirlo_audiocheck)
