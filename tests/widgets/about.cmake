mirlo_test(test_fabout SOURCES test_fabout.cpp LIBS mirlo_widgets)
