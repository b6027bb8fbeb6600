# Tests of the update wizard step.
rangwerk_add_gtest(update_wizard_model_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/wizard_model_test.cpp ${CMAKE_CURRENT_LIST_DIR}/wizard_settings_test.cpp
  LIBS rangwerk_update_wizard_model)
