mirlo_test(test_sound SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_sound.cpp
  LIBS mirlo_sound mirlo_encoder mirlo_memorybackend mirlo_virtualaudio mirlo_mp3check)

# Real capture and playback through PortAudio on the virtual devices.
mirlo_test(test_sound_devices SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_sound_devices.cpp
  LIBS mirlo_sound mirlo_encoder mirlo_virtualaudio mirlo_mp3check
  LABELS audio FIXTURES virtual_audio)
