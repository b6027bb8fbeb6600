# rangwerk_add_gtest(<name> SOURCES <files...> LIBS <targets...>)
# A GoogleTest executable that links only the layer it tests; one CTest entry per executable.
function(rangwerk_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} rangwerk_test_support GTest::gtest GTest::gtest_main rangwerk_settings)
  add_test(NAME ${name} COMMAND ${name})
endfunction()

# rangwerk_add_qttest(<name> SOURCES <files...> LIBS <targets...>)
# A Qt Test executable for a window; runs on the offscreen platform.
function(rangwerk_add_qttest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} rangwerk_test_support Qt6::Test Qt6::Widgets rangwerk_settings)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
