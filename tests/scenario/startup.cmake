# The start-up of setup.exe in a fresh machine.
niv_scenario_test(startup_scenario_tests SOURCES "${CMAKE_CURRENT_LIST_DIR}/startup_test.cpp"
                  LIBS niv_platform)
if(TARGET startup_scenario_tests)
  add_dependencies(startup_scenario_tests setup)
endif()
