# The program `rangwerk` (Qt): the start order with the Qt windows, and the entry.
add_library(rangwerk_program STATIC ${CMAKE_CURRENT_LIST_DIR}/program.cpp)
set_target_properties(rangwerk_program PROPERTIES AUTOMOC ON)
# Qt strings only from explicit conversions, joined with QStringBuilder.
target_compile_definitions(rangwerk_program PRIVATE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_USE_QSTRINGBUILDER)
target_include_directories(rangwerk_program PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(rangwerk_program PUBLIC rangwerk_program_core
  rangwerk_ui rangwerk_infodlg rangwerk_combinations_window
  rangwerk_update_component rangwerk_update_window rangwerk_update_net rangwerk_platform
  rangwerk_settings)

add_executable(rangwerk ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(rangwerk PRIVATE rangwerk_program rangwerk_app_info rangwerk_settings)
target_link_libraries(rangwerk PRIVATE rangwerk_version_record)
set_target_properties(rangwerk PROPERTIES AUTORCC ON)
# Qt strings only from explicit conversions, joined with QStringBuilder.
target_compile_definitions(rangwerk PRIVATE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_USE_QSTRINGBUILDER)
target_sources(rangwerk PRIVATE ${CMAKE_CURRENT_LIST_DIR}/resources/resources.qrc)
if(WIN32)
  set_target_properties(rangwerk PROPERTIES WIN32_EXECUTABLE ON)
endif()
install(TARGETS rangwerk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
