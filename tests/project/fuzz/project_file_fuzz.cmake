# libFuzzer target for the whole project file reader, with the code it drives compiled into the
# target so that it is instrumented; and the program that writes its seed corpus.
set(rangwerk_project_file_fuzz_sources
  ${PROJECT_SOURCE_DIR}/project/project_file.cpp
  ${PROJECT_SOURCE_DIR}/project/project.cpp
  ${PROJECT_SOURCE_DIR}/project/value_reader.cpp
  ${PROJECT_SOURCE_DIR}/project/value_writer.cpp
  ${PROJECT_SOURCE_DIR}/project/extended80.cpp
  ${PROJECT_SOURCE_DIR}/combinations/combination_model.cpp
  ${PROJECT_SOURCE_DIR}/combinations/combination_workspace.cpp
  ${PROJECT_SOURCE_DIR}/core/options.cpp
  ${PROJECT_SOURCE_DIR}/core/name_order.cpp
  ${PROJECT_SOURCE_DIR}/core/run.cpp
  ${PROJECT_SOURCE_DIR}/core/scoring.cpp
  ${PROJECT_SOURCE_DIR}/base/text.cpp
  ${PROJECT_SOURCE_DIR}/base/file_replace.cpp
  ${PROJECT_SOURCE_DIR}/platform/file_open.cpp)

add_executable(rangwerk_project_file_fuzz
  ${CMAKE_CURRENT_LIST_DIR}/project_file_fuzz.cpp ${rangwerk_project_file_fuzz_sources})
target_include_directories(rangwerk_project_file_fuzz PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_options(rangwerk_project_file_fuzz PRIVATE
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_link_options(rangwerk_project_file_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(rangwerk_project_file_fuzz PRIVATE rangwerk_settings)

add_executable(rangwerk_project_file_fuzz_seeds
  ${CMAKE_CURRENT_LIST_DIR}/project_file_fuzz_seeds.cpp ${rangwerk_project_file_fuzz_sources})
target_include_directories(rangwerk_project_file_fuzz_seeds PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(rangwerk_project_file_fuzz_seeds PRIVATE rangwerk_settings)

# A short run from the seeds as part of the tests; longer runs by hand, for example
#   rangwerk_project_file_fuzz -max_total_time=300 -max_len=8192 CORPUS_FOLDER
set(rangwerk_project_file_corpus ${CMAKE_CURRENT_BINARY_DIR}/project_file_corpus)
add_test(NAME rangwerk_project_file_fuzz_corpus
  COMMAND rangwerk_project_file_fuzz_seeds ${rangwerk_project_file_corpus})
add_test(NAME rangwerk_project_file_fuzz_smoke
  COMMAND rangwerk_project_file_fuzz -runs=20000 -seed=1 -max_len=8192
          ${rangwerk_project_file_corpus})
set_tests_properties(rangwerk_project_file_fuzz_corpus PROPERTIES
  FIXTURES_SETUP project_file_corpus)
set_tests_properties(rangwerk_project_file_fuzz_smoke PROPERTIES
  FIXTURES_REQUIRED project_file_corpus)
