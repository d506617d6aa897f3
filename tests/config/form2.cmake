mirlo_test(test_settings_dialog
  SOURCES form2_support.cpp test_form2.cpp test_form2_save.cpp test_form2_import.cpp
  LIBS mirlo_config)
