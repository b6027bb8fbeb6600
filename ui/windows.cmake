# The windows of the program (Qt Widgets): the main window (its fixed layout is the form
# ranko1.ui) over its model, with its lists as item models, and the message boxes and file
# dialogs.
add_library(rangwerk_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/qt_dialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ranko1.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ranko1.ui
  ${CMAKE_CURRENT_LIST_DIR}/ranko1_widgets.h
  ${CMAKE_CURRENT_LIST_DIR}/captioned_group_box.h
  ${CMAKE_CURRENT_LIST_DIR}/ranko1_rows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ranko1_icons.cpp
)
set_target_properties(rangwerk_ui PROPERTIES AUTOMOC ON AUTOUIC ON)
# Qt strings only from explicit conversions, joined with QStringBuilder.
target_compile_definitions(rangwerk_ui PRIVATE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_USE_QSTRINGBUILDER)
target_include_directories(rangwerk_ui PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(rangwerk_ui PUBLIC
  Qt6::Widgets
  rangwerk_main_window_model
  rangwerk_settings
)
