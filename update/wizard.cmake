# Targets of the update wizard step.

# Reminders and the start-up check (standard library only).
add_library(rangwerk_update_reminder STATIC ${CMAKE_CURRENT_LIST_DIR}/reminder.cpp)
target_include_directories(rangwerk_update_reminder PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(rangwerk_update_reminder PUBLIC rangwerk_platform rangwerk_settings)
