# Tests of the update wizard step.
rangwerk_add_gtest(update_wizard_model_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/wizard_model_test.cpp ${CMAKE_CURRENT_LIST_DIR}/wizard_settings_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/update_component_test.cpp
  LIBS rangwerk_update_wizard_model)

# The reminders and the start-up check (its drive and file-time queries: tests/platform).
rangwerk_add_gtest(update_reminder_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/reminder_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/automatic_update_test.cpp
  LIBS rangwerk_update_reminder)
