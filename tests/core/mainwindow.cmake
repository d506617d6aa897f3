mirlo_test(test_mainwindow
  SOURCES test_mainwindow.cpp test_mainwindow_window.cpp
  LIBS mirlo_mainwindow mirlo_memorybackend)

# Real PortAudio on the virtual devices of the audio harness, and on none.
mirlo_test(test_mainwindow_devices
  SOURCES test_mainwindow_devices.cpp
  LIBS mirlo_mainwindow mirlo_memorybackend mirlo_virtualaudio
  LABELS audio FIXTURES virtual_audio)
