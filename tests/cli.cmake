# dexmora-cli run as a child process, the way scripts call it.

add_executable(test_cli test_cli.cpp test_cli_output.cpp test_cli_features.cpp test_cli_help.cpp test_one_engine.cpp
  test_cli_messages.cpp test_cli_contract.cpp test_cli_support.cpp)
target_link_libraries(test_cli PRIVATE dexmora_test_support dexmora_frontend ZXing::ZXing GTest::gtest GTest::gtest_main)
# The man page and completion are read from the source tree.
target_compile_definitions(test_cli PRIVATE DEXMORA_CLI_PATH="$<TARGET_FILE:dexmora-cli>" ZX_USE_UTF8
  DEXMORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
add_dependencies(test_cli dexmora-cli)
dexmora_warnings(test_cli)
gtest_discover_tests(test_cli DISCOVERY_TIMEOUT 60)

add_executable(test_cli_batch test_cli_batch.cpp test_cli_support.cpp)
target_link_libraries(test_cli_batch PRIVATE dexmora_test_support ZXing::ZXing GTest::gtest GTest::gtest_main)
target_compile_definitions(test_cli_batch PRIVATE DEXMORA_CLI_PATH="$<TARGET_FILE:dexmora-cli>" ZX_USE_UTF8)
add_dependencies(test_cli_batch dexmora-cli)
dexmora_warnings(test_cli_batch)
gtest_discover_tests(test_cli_batch DISCOVERY_TIMEOUT 60)

# Preloaded into the writers a race test holds at chosen calls. Not
# instrumented: it only forwards calls, and must load before anything else.
add_library(dexmora_pause_at_call MODULE pause_at_call.cpp)
target_link_libraries(dexmora_pause_at_call PRIVATE ${CMAKE_DL_LIBS})
target_compile_options(dexmora_pause_at_call PRIVATE -Wall -Wextra -Wpedantic $<$<BOOL:${DEXMORA_WERROR}>:-Werror>)

# Batch and writer under races, kills, signals, closed descriptors, limits and
# endless input; the cases that change machine-wide settings run alone.
add_executable(test_cli_batch_safety test_cli_batch_safety.cpp test_cli_refusals.cpp test_cli_sticky.cpp
  test_cli_writer_race.cpp cli_child.cpp test_cli_support.cpp)
target_link_libraries(test_cli_batch_safety PRIVATE dexmora_test_support ZXing::ZXing GTest::gtest GTest::gtest_main)
target_compile_definitions(test_cli_batch_safety PRIVATE DEXMORA_CLI_PATH="$<TARGET_FILE:dexmora-cli>" ZX_USE_UTF8
  DEXMORA_PAUSE_LIBRARY="$<TARGET_FILE:dexmora_pause_at_call>")
add_dependencies(test_cli_batch_safety dexmora-cli dexmora_pause_at_call)
dexmora_warnings(test_cli_batch_safety)
gtest_discover_tests(test_cli_batch_safety TEST_FILTER "-*Serial.*" DISCOVERY_TIMEOUT 60)
add_test(NAME cli_sticky_directories COMMAND test_cli_batch_safety --gtest_filter=*Serial.*)
set_tests_properties(cli_sticky_directories PROPERTIES RUN_SERIAL TRUE)

# One-shot runs start at the floor: no initialiser of ours, no C++ streams or
# locale at start-up. Sanitizers add initialisers and share the runtime.
if(NOT DEXMORA_SANITIZE)
  add_test(NAME cli_startup_symbols
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/check_cli_startup.sh $<TARGET_FILE:dexmora-cli> ${CMAKE_NM})
endif()
