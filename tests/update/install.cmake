# Tests of the update install step (left out where the step is; see update/install.cmake).
if(NOT TARGET rangwerk_update_install)
  return()
endif()

rangwerk_add_gtest(update_install_texts_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/install_texts_test.cpp
  LIBS rangwerk_update_install)
# Makes archives with libzip and throwaway keys with libgcrypt.
rangwerk_add_gtest(update_install_archive_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/install_archive_test.cpp
  LIBS rangwerk_update_install rangwerk_libzip rangwerk_libgcrypt)
target_compile_definitions(update_install_archive_test PRIVATE
  RANGWERK_EXPECTED_RELEASE_DATE="${RANGWERK_RELEASE_DATE}")
# Starts the Linux batch runner and waits for its effects.
# Also runs scripts/update-server.sh --no-serve (bash, python3, openssl) and installs its update.
if(NOT WIN32)
  rangwerk_add_gtest(update_install_batch_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/install_batch_test.cpp
    LIBS rangwerk_update_install)
  target_compile_definitions(update_install_batch_test PRIVATE
    RANGWERK_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()
rangwerk_add_gtest(update_install_download_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/install_download_test.cpp LIBS rangwerk_update_install)
# Through the real HTTP client (Qt Network; WinINet on Windows) against the local test server.
if(TARGET rangwerk_http_test_backend)
  rangwerk_add_gtest(update_install_net_download_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/install_net_download_test.cpp
    LIBS rangwerk_update_install rangwerk_http_test_backend rangwerk_libzip rangwerk_libgcrypt)
endif()
# The completed batch under the Windows batch interpreter: it waits for a running stand-in of
# the program, replaces it, restarts it and deletes itself.
if(WIN32)
  add_executable(update_batch_wait_helper ${CMAKE_CURRENT_LIST_DIR}/batch_wait_helper.cpp)
  target_link_libraries(update_batch_wait_helper PRIVATE rangwerk_settings shell32)
  rangwerk_add_gtest(update_install_batch_windows_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/install_batch_windows_test.cpp
    LIBS rangwerk_update_install rangwerk_libzip rangwerk_libgcrypt)
  add_dependencies(update_install_batch_windows_test update_batch_wait_helper)
endif()
