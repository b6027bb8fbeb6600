# The combinations window (Qt Widgets), module Ranko2: shows the combinations window's model; its
# fixed layout is the form ranko2.ui.
add_library(rangwerk_combinations_window STATIC ranko2.cpp ranko2.h ranko2.ui factor_spin_box.h)
set_target_properties(rangwerk_combinations_window PROPERTIES AUTOMOC ON AUTOUIC ON)
# Texts become QStrings only where the code says which encoding they are in.
target_compile_definitions(rangwerk_combinations_window PRIVATE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_USE_QSTRINGBUILDER)
target_include_directories(rangwerk_combinations_window PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(rangwerk_combinations_window
  PUBLIC Qt6::Widgets rangwerk_combinations_window_model rangwerk_drawing rangwerk_platform
         rangwerk_settings)
