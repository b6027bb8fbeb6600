# The info dialog (TInfo) with the maker's logo as a Qt resource.
add_library(rangwerk_infodlg STATIC
  ${CMAKE_CURRENT_LIST_DIR}/infodlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/infodlg.h
  ${CMAKE_CURRENT_LIST_DIR}/infodlg_resources.qrc
)
set_target_properties(rangwerk_infodlg PROPERTIES AUTOMOC ON AUTORCC ON)
target_include_directories(rangwerk_infodlg PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(rangwerk_infodlg PUBLIC
  Qt6::Widgets
  rangwerk_drawing
  rangwerk_platform
  rangwerk_settings
)
