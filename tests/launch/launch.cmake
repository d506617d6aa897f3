mirlo_test(test_launchform SOURCES test_launchform.cpp LIBS mirlo_launch)

# Runs the built Launch program itself.
mirlo_test(test_launch_process SOURCES test_launch_process.cpp)
add_dependencies(test_launch_process Launch)
