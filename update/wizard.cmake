# Targets of the update wizard step.

# The wizard without its window (the step machine, the download flags, the settings page) and the
# update component that shows it at start and on Ctrl+U.
add_library(rangwerk_update_wizard_model STATIC
  ${CMAKE_CURRENT_LIST_DIR}/wizard_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/update_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/update_component.cpp
)
target_include_directories(rangwerk_update_wizard_model PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(rangwerk_update_wizard_model PUBLIC rangwerk_update_reminder
  rangwerk_update_check rangwerk_platform rangwerk_settings)

# The work behind the wizard, assembled without a window: the check, the download with its
# signature, the installation and the batch at program end.
if(TARGET rangwerk_update_install)
  add_library(rangwerk_update_wizard STATIC ${CMAKE_CURRENT_LIST_DIR}/wizard_backend.cpp)
  target_include_directories(rangwerk_update_wizard PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(rangwerk_update_wizard PUBLIC rangwerk_update_wizard_model
    rangwerk_update_check rangwerk_update_install rangwerk_platform rangwerk_settings)
endif()

# Reminders and the start-up check (standard library only).
add_library(rangwerk_update_reminder STATIC
  ${CMAKE_CURRENT_LIST_DIR}/reminder.cpp ${CMAKE_CURRENT_LIST_DIR}/automatic_update.cpp)
target_include_directories(rangwerk_update_reminder PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(rangwerk_update_reminder PUBLIC rangwerk_platform rangwerk_settings)
