mirlo_test(test_settings_store SOURCES test_ini.cpp test_settings.cpp LIBS mirlo_settings mirlo_seams)
