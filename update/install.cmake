# Targets of the update install step.

# The download of the archive with its progress display, the signature check, the unpacking and
# the completion of "Update.bat", without a window (standard library, libzip, libgcrypt). Both
# platforms unpack with libzip and check the signature with libgcrypt, each with one code path.
#  - Linux: Debian's libzip-dev and libgcrypt20-dev. Debian's libzip CMake package names tools of
#    another package, so pkg-config finds it.
#  - Windows (MinGW-w64): Debian's libgcrypt-mingw-w64-dev and libz-mingw-w64-dev, and libzip
#    built from Debian's source package by scripts/windows-libzip.sh into a cache outside the
#    clone (RANGWERK_MINGW_LIBZIP names its folder); all linked statically, so the program
#    writes no library anywhere.
if(WIN32 AND CMAKE_CROSSCOMPILING)
  set(rangwerk_cache "$ENV{RANGWERK_CACHE}")
  if(rangwerk_cache STREQUAL "")
    if(NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
      set(rangwerk_cache "$ENV{XDG_CACHE_HOME}/rangwerk")
    else()
      set(rangwerk_cache "$ENV{HOME}/.cache/rangwerk")
    endif()
  endif()
  file(GLOB rangwerk_libzip_builds LIST_DIRECTORIES true
    "${rangwerk_cache}/libzip/*/${RANGWERK_MINGW_TRIPLE}-gcc*")
  list(SORT rangwerk_libzip_builds)
  list(REVERSE rangwerk_libzip_builds)
  set(rangwerk_libzip_default "")
  foreach(candidate IN LISTS rangwerk_libzip_builds)
    if(EXISTS "${candidate}/lib/libzip.a" AND rangwerk_libzip_default STREQUAL "")
      set(rangwerk_libzip_default "${candidate}")
    endif()
  endforeach()
  set(RANGWERK_MINGW_LIBZIP "${rangwerk_libzip_default}" CACHE PATH
    "libzip for this MinGW-w64 target, built by scripts/windows-libzip.sh (include/, lib/libzip.a)")
  set(rangwerk_mingw_lib /usr/${RANGWERK_MINGW_TRIPLE}/lib)
  foreach(needed IN ITEMS "${RANGWERK_MINGW_LIBZIP}/lib/libzip.a" "${rangwerk_mingw_lib}/libz.a"
                          "${rangwerk_mingw_lib}/libgcrypt.a" "${rangwerk_mingw_lib}/libgpg-error.a")
    if(RANGWERK_MINGW_LIBZIP STREQUAL "" OR NOT EXISTS "${needed}")
      message(STATUS "Windows cross build: ${needed} is missing (scripts/install-deps.sh --windows "
                     "installs and builds it), so rangwerk_update_install and its tests are left out")
      return()
    endif()
  endforeach()
  add_library(rangwerk_libzip INTERFACE)
  target_include_directories(rangwerk_libzip SYSTEM INTERFACE ${RANGWERK_MINGW_LIBZIP}/include)
  target_compile_definitions(rangwerk_libzip INTERFACE ZIP_STATIC)
  target_link_libraries(rangwerk_libzip INTERFACE ${RANGWERK_MINGW_LIBZIP}/lib/libzip.a
    ${rangwerk_mingw_lib}/libz.a advapi32)
  add_library(rangwerk_libgcrypt INTERFACE)
  target_link_libraries(rangwerk_libgcrypt INTERFACE ${rangwerk_mingw_lib}/libgcrypt.a
    ${rangwerk_mingw_lib}/libgpg-error.a ws2_32)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET GLOBAL libzip)
  pkg_check_modules(LIBGCRYPT REQUIRED IMPORTED_TARGET GLOBAL libgcrypt)
  add_library(rangwerk_libzip INTERFACE)
  target_link_libraries(rangwerk_libzip INTERFACE PkgConfig::LIBZIP)
  add_library(rangwerk_libgcrypt INTERFACE)
  target_link_libraries(rangwerk_libgcrypt INTERFACE PkgConfig::LIBGCRYPT)
endif()

# The maker's public key (PEM, as "openssl pkey -pubout" writes it) that update archives must be
# signed with. Only a public key belongs here; without one, only a key named by the environment
# variable RANGWERK_UPDATE_TRUSTED_KEY is trusted.
set(RANGWERK_UPDATE_MAKER_KEY "" CACHE FILEPATH "PEM file with the maker's Ed25519 public key for signed updates")
set(rangwerk_maker_key_pem "")
if(RANGWERK_UPDATE_MAKER_KEY)
  file(READ ${RANGWERK_UPDATE_MAKER_KEY} rangwerk_maker_key_pem)
  if(NOT rangwerk_maker_key_pem MATCHES "-----BEGIN PUBLIC KEY-----")
    message(FATAL_ERROR "RANGWERK_UPDATE_MAKER_KEY must name a PEM public key: ${RANGWERK_UPDATE_MAKER_KEY}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${RANGWERK_UPDATE_MAKER_KEY})
endif()
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/generated/update/update_maker_key.h
  CONTENT "#pragma once\n\n// The maker's public key for signed updates (empty when the build set none).\nnamespace rangwerk {\ninline constexpr char kUpdateMakerKey[] = R\"rangwerk_pem(@rangwerk_maker_key_pem@)rangwerk_pem\";\n}  // namespace rangwerk\n"
  @ONLY)

# The release date of this build ("YYYY-MM-DD"). An update installs only when the release date
# in its signed archive (the file "Release.ini") is later, so a maker's old archive cannot bring
# back an older program. A release sets it (-DRANGWERK_RELEASE_DATE=2026-12-09) and writes the
# same date into the archive that carries it (scripts/update-server.sh shows the steps). The
# default is the date of the source's last commit, else the day of the first configure
# (SOURCE_DATE_EPOCH, when set, gives that day).
if(NOT DEFINED CACHE{RANGWERK_RELEASE_DATE})
  set(rangwerk_default_release "")
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${PROJECT_SOURCE_DIR} log -1 --format=%cs
      OUTPUT_VARIABLE rangwerk_default_release OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE rangwerk_git_result ERROR_QUIET)
    if(NOT rangwerk_git_result EQUAL 0)
      set(rangwerk_default_release "")
    endif()
  endif()
  if(NOT rangwerk_default_release MATCHES "^[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]$")
    string(TIMESTAMP rangwerk_default_release "%Y-%m-%d" UTC)
  endif()
  set(RANGWERK_RELEASE_DATE "${rangwerk_default_release}" CACHE STRING
    "Release date of this build (YYYY-MM-DD); updates must carry a later one")
endif()
if(NOT RANGWERK_RELEASE_DATE MATCHES "^[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9]$")
  message(FATAL_ERROR "RANGWERK_RELEASE_DATE must be a date YYYY-MM-DD: ${RANGWERK_RELEASE_DATE}")
endif()
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/generated/update/release_date.h
  CONTENT "#pragma once\n\n// The release date of this build (RANGWERK_RELEASE_DATE).\nnamespace rangwerk {\ninline constexpr char kReleaseDate[] = \"@RANGWERK_RELEASE_DATE@\";\n}  // namespace rangwerk\n"
  @ONLY)

add_library(rangwerk_update_install STATIC
  ${CMAKE_CURRENT_LIST_DIR}/format_size.cpp
  ${CMAKE_CURRENT_LIST_DIR}/download_progress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/archive_download.cpp
  ${CMAKE_CURRENT_LIST_DIR}/batch_template.cpp
  ${CMAKE_CURRENT_LIST_DIR}/batch_completion.cpp
  ${CMAKE_CURRENT_LIST_DIR}/archive_unpack.cpp
  ${CMAKE_CURRENT_LIST_DIR}/signature.cpp
  ${CMAKE_CURRENT_LIST_DIR}/installation.cpp)
target_include_directories(rangwerk_update_install PUBLIC ${PROJECT_SOURCE_DIR}
  PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/generated)
target_link_libraries(rangwerk_update_install PUBLIC rangwerk_platform rangwerk_settings
  PRIVATE rangwerk_libzip rangwerk_libgcrypt)
