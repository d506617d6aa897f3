mirlo_test(test_clsfileio SOURCES test_clsfileio.cpp LIBS mirlo_fileio)
