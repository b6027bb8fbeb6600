# The info dialog (TInfo): its form, and the maker's logo as a Qt resource.
add_library(rangwerk_infodlg STATIC
  ${CMAKE_CURRENT_LIST_DIR}/infodlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/infodlg.h
  ${CMAKE_CURRENT_LIST_DIR}/infodlg.ui
  ${CMAKE_CURRENT_LIST_DIR}/infodlg_resources.qrc
)
set_target_properties(rangwerk_infodlg PROPERTIES AUTOMOC ON AUTORCC ON AUTOUIC ON)
# Qt strings only from explicit conversions, joined with QStringBuilder.
target_compile_definitions(rangwerk_infodlg PRIVATE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_USE_QSTRINGBUILDER)
target_include_directories(rangwerk_infodlg PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(rangwerk_infodlg PUBLIC
  Qt6::Widgets
  rangwerk_info_model
  rangwerk_drawing
  rangwerk_platform
  rangwerk_settings
)
