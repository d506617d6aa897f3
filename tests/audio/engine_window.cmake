# The engine wired into the main window, on the memory capture backend.
mirlo_test(test_recordingengine_window SOURCES test_engine_form1.cpp
  LIBS mirlo_mainwindow mirlo_memorybackend mirlo_mp3check)
