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

# The wizard's window (Qt); it only shows the wizard's model.
if(NOT RANGWERK_WINDOW_FREE_ONLY)
  add_library(rangwerk_update_window STATIC
    ${CMAKE_CURRENT_LIST_DIR}/quarv_update_file_statusform.cpp
    ${CMAKE_CURRENT_LIST_DIR}/quarv_update_file_statusform.h
    ${CMAKE_CURRENT_LIST_DIR}/statusform.ui
  )
  set_target_properties(rangwerk_update_window PROPERTIES AUTOMOC ON AUTOUIC ON)
  target_compile_definitions(rangwerk_update_window PRIVATE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_USE_QSTRINGBUILDER)
  target_include_directories(rangwerk_update_window PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(rangwerk_update_window PUBLIC
    Qt6::Widgets rangwerk_update_wizard rangwerk_platform rangwerk_settings)
endif()

# Reminders and the start-up check (standard library only).
add_library(rangwerk_update_reminder STATIC
  ${CMAKE_CURRENT_LIST_DIR}/reminder.cpp ${CMAKE_CURRENT_LIST_DIR}/automatic_update.cpp)
target_include_directories(rangwerk_update_reminder PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(rangwerk_update_reminder PUBLIC rangwerk_platform rangwerk_settings)

# The update component on the main window (Qt): Ctrl+U and the start-up reminder.
if(NOT RANGWERK_WINDOW_FREE_ONLY)
  add_library(rangwerk_update_component STATIC ${CMAKE_CURRENT_LIST_DIR}/quarv_update_file.cpp)
  set_target_properties(rangwerk_update_component PROPERTIES AUTOMOC ON)
  target_compile_definitions(rangwerk_update_component PRIVATE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_USE_QSTRINGBUILDER)
  target_include_directories(rangwerk_update_component PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(rangwerk_update_component PUBLIC
    Qt6::Widgets rangwerk_update_reminder rangwerk_update_wizard_model rangwerk_platform
    rangwerk_settings)
endif()
