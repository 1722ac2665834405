# dexmora-cli run as a child process, the way scripts call it.

add_executable(test_cli test_cli.cpp test_cli_output.cpp test_cli_features.cpp test_cli_support.cpp)
target_link_libraries(test_cli PRIVATE dexmora_test_support ZXing::ZXing GTest::gtest GTest::gtest_main)
target_compile_definitions(test_cli PRIVATE DEXMORA_CLI_PATH="$<TARGET_FILE:dexmora-cli>" ZX_USE_UTF8)
add_dependencies(test_cli dexmora-cli)
dexmora_warnings(test_cli)
gtest_discover_tests(test_cli DISCOVERY_TIMEOUT 60)

add_executable(test_cli_batch test_cli_batch.cpp test_cli_support.cpp)
target_link_libraries(test_cli_batch PRIVATE dexmora_test_support ZXing::ZXing GTest::gtest GTest::gtest_main)
target_compile_definitions(test_cli_batch PRIVATE DEXMORA_CLI_PATH="$<TARGET_FILE:dexmora-cli>" ZX_USE_UTF8)
add_dependencies(test_cli_batch dexmora-cli)
dexmora_warnings(test_cli_batch)
gtest_discover_tests(test_cli_batch DISCOVERY_TIMEOUT 60)
