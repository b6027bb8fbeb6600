# The combinations window (Qt Widgets), module Ranko2.
add_library(rangwerk_combinations_window STATIC ranko2.cpp ranko2.h)
set_target_properties(rangwerk_combinations_window PROPERTIES AUTOMOC ON)
target_include_directories(rangwerk_combinations_window PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(rangwerk_combinations_window
  PUBLIC Qt6::Widgets rangwerk_combination_model rangwerk_drawing rangwerk_platform rangwerk_core
         rangwerk_settings)
