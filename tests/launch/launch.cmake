mirlo_test(test_launchform SOURCES test_launchform.cpp LIBS mirlo_launch)

# Runs the built Launch program itself.
mirlo_test(test_launch_process SOURCES test_launch_process.cpp)
add_dependencies(test_launch_process Launch)

# Installs the whole build into a scratch prefix.
mirlo_test(test_install SOURCES test_install.cpp)
target_compile_definitions(test_install PRIVATE
  MIRLO_CMAKE_COMMAND="${CMAKE_COMMAND}" MIRLO_BINARY_DIR="${PROJECT_BINARY_DIR}")
add_dependencies(test_install Mirlo Launch)
