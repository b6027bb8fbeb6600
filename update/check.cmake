# Targets of the update check step.

# The web server of the updates, built into the program: "host" or "host:port". Empty: the
# program knows no update host unless the environment variable RANGWERK_UPDATE_HOST names one at
# run time, and it never reminds of updates at start.
set(RANGWERK_UPDATE_HOST "" CACHE STRING "Host (optionally host:port) of the web server that serves the updates")
if(NOT RANGWERK_UPDATE_HOST STREQUAL "" AND
   NOT RANGWERK_UPDATE_HOST MATCHES "^[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?(:[0-9]+)?$")
  message(FATAL_ERROR "RANGWERK_UPDATE_HOST must be a host name, optionally with a port: ${RANGWERK_UPDATE_HOST}")
endif()
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/generated/update/update_built_in_host.h
  CONTENT "#pragma once\n\n// The update host of the build setting RANGWERK_UPDATE_HOST (empty when the build set none).\nnamespace rangwerk {\ninline constexpr char kBuiltInUpdateHost[] = \"@RANGWERK_UPDATE_HOST@\";\n}  // namespace rangwerk\n"
  @ONLY)

# The check without a window: profile reader, comma lists, dates, the decision and result text.
add_library(rangwerk_update_check STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/comma_list.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/day_count.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/profile_file.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/short_date.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/update_check.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/update_host.cpp)
target_include_directories(rangwerk_update_check PUBLIC ${PROJECT_SOURCE_DIR}
  PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/generated)
target_link_libraries(rangwerk_update_check PUBLIC rangwerk_platform rangwerk_base rangwerk_settings)

# The platform's connection query on Windows (platform/connection_query.cpp).
if(WIN32)
  target_link_libraries(rangwerk_platform PUBLIC wininet)
endif()
