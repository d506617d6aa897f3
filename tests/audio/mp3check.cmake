# Reading back real MP3 (decode, frame walk, tone measures), shared by the
# audio tests and the recording benchmarks.
add_library(mirlo_mp3check STATIC ${CMAKE_CURRENT_LIST_DIR}/mp3check.cpp)
target_link_libraries(mirlo_mp3check PUBLIC Qt6::Core PRIVATE mirlo_encoder PkgConfig::MPG123)
