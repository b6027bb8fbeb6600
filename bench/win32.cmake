# The reference of the Windows start-up benchmark (bench/win32_startup_bench.sh), built in every
# Windows build: a bare Win32 window, a GUI program linked like Rangwerk.exe.
add_executable(win32_bare_window WIN32 ${CMAKE_CURRENT_LIST_DIR}/win32_bare_window.cpp)
set_target_properties(win32_bare_window PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
target_compile_definitions(win32_bare_window PRIVATE UNICODE _UNICODE)
target_link_libraries(win32_bare_window PRIVATE rangwerk_settings)

# One answer through the Win32 main window at 1000 options against one at 30 (run it under Wine
# on a display).
add_executable(win32_answer_bench ${CMAKE_CURRENT_LIST_DIR}/win32_answer_bench.cpp)
set_target_properties(win32_answer_bench PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
target_link_libraries(win32_answer_bench PRIVATE rangwerk_win32_main_window rangwerk_settings)
