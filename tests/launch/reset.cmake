# Needs the main window and the built Launch program.
mirlo_test(test_reset SOURCES test_reset.cpp LIBS mirlo_mainwindow mirlo_memorybackend)
add_dependencies(test_reset Launch)
