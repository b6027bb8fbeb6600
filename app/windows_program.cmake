#The Windows program Rangwerk.exe : native Win32 windows(ui / win32), no Qt.A GUI program
#(WIN32), linked statically(- static, from the toolchain file), so that no DLL of the compiler
#has to stand beside it; its resources are those of rangwerk.rc(icon "MAINICON", version
#record, manifest with the common controls 6.0.0.0, bitmap "LOGO").

#The start order with the Win32 windows and the system's services.
add_library(rangwerk_windows_program STATIC ${CMAKE_CURRENT_LIST_DIR} / windows_program.cpp)
    target_include_directories(rangwerk_windows_program PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(
            rangwerk_windows_program PUBLIC rangwerk_program_core rangwerk_win32_main_window
                rangwerk_win32_form2 rangwerk_win32_info rangwerk_win32_status_form rangwerk_win32
                    rangwerk_app_info rangwerk_platform rangwerk_settings)

            add_executable(rangwerk_windows WIN32 ${CMAKE_CURRENT_LIST_DIR} / windows_main.cpp)
                set_target_properties(rangwerk_windows PROPERTIES OUTPUT_NAME Rangwerk)
                    target_include_directories(rangwerk_windows PRIVATE ${PROJECT_SOURCE_DIR})
                        target_link_libraries(
                            rangwerk_windows PRIVATE rangwerk_windows_program
                                rangwerk_version_record rangwerk_platform rangwerk_settings)
