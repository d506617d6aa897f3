mirlo_test(test_ibutton SOURCES test_ibutton.cpp LIBS mirlo_widgets)
