# Tests of the update wizard step.
rangwerk_add_gtest(update_wizard_model_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/wizard_model_test.cpp ${CMAKE_CURRENT_LIST_DIR}/wizard_settings_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/update_component_test.cpp
  LIBS rangwerk_update_wizard_model)

if(NOT RANGWERK_WINDOW_FREE_ONLY)
  # The wizard's window: layout, step strip, settings page, keys.
  rangwerk_add_qttest(update_statusform_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/statusform_test.cpp
    LIBS rangwerk_update_window)
  # The whole wizard against the local test server, with archives signed by a throwaway key.
  if(TARGET rangwerk_update_net)
    find_package(OpenSSL REQUIRED COMPONENTS Crypto)
    find_package(PkgConfig REQUIRED)
    if(NOT TARGET PkgConfig::LIBZIP)
      pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
    endif()
    rangwerk_add_qttest(update_statusform_e2e_test
      SOURCES ${CMAKE_CURRENT_LIST_DIR}/statusform_e2e_test.cpp
      LIBS rangwerk_update_window rangwerk_update_net rangwerk_http_test_server
           PkgConfig::LIBZIP OpenSSL::Crypto)
  endif()
endif()

# The reminders and the start-up check (its drive and file-time queries: tests/platform).
rangwerk_add_gtest(update_reminder_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/reminder_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/automatic_update_test.cpp
  LIBS rangwerk_update_reminder)

# The update component on a window (Qt, offscreen).
if(NOT RANGWERK_WINDOW_FREE_ONLY)
  rangwerk_add_qttest(update_quarv_update_file_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/quarv_update_file_test.cpp
    LIBS rangwerk_update_component)
endif()

# The update component on X11 as well, where a focused line edit claims Ctrl+U for itself.
if(NOT RANGWERK_WINDOW_FREE_ONLY)
  find_program(RANGWERK_XVFB_RUN xvfb-run REQUIRED)
  add_test(NAME update_quarv_update_file_test_x11
    COMMAND ${RANGWERK_XVFB_RUN} -a -s "-screen 0 1024x768x24 -nolisten tcp"
            $<TARGET_FILE:update_quarv_update_file_test> -platform xcb)
  # xvfb-run -a looks for a free display by number: one at a time.
  set_tests_properties(update_quarv_update_file_test_x11 PROPERTIES RESOURCE_LOCK rangwerk_xvfb_run)
endif()
