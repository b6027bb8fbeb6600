# Tests of the update check step.
rangwerk_add_gtest(update_check_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/check_text_test.cpp ${CMAKE_CURRENT_LIST_DIR}/check_dates_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/check_decision_test.cpp
  LIBS rangwerk_update_check)
rangwerk_add_gtest(update_check_platform_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/check_platform_test.cpp
  LIBS rangwerk_platform)
if(TARGET rangwerk_http_test_backend)
  # The HTTP client (Qt Network; WinINet on Windows) and the whole check against the test
  # server on 127.0.0.1.
  rangwerk_add_gtest(update_check_http_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/check_http_test.cpp
    LIBS rangwerk_http_test_backend rangwerk_update_check)
endif()
