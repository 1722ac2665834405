# --verify's reader module: reading through its C boundary, the loader's
# failures, and dexmora-cli loading it only for --verify.
foreach(fake wrong_abi no_entries out_of_memory)
  add_library(test_reader_${fake} MODULE reader_module_fake.cpp)
  target_include_directories(test_reader_${fake} PRIVATE ${PROJECT_SOURCE_DIR})
  set_target_properties(test_reader_${fake} PROPERTIES PREFIX "" C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden)
  dexmora_warnings(test_reader_${fake})
endforeach()
target_compile_definitions(test_reader_wrong_abi PRIVATE FAKE_ABI=1001 FAKE_READ_RESULT=0)
target_compile_definitions(test_reader_out_of_memory PRIVATE FAKE_ABI=DEXMORA_READER_MODULE_ABI FAKE_READ_RESULT=-1)

add_executable(test_reader_module test_reader_module.cpp test_cli_support.cpp
                                  ${PROJECT_SOURCE_DIR}/cli/reader_loader.cpp
                                  ${PROJECT_SOURCE_DIR}/cli/module_load.cpp)
target_link_libraries(test_reader_module PRIVATE dexmora_test_support GTest::gtest GTest::gtest_main ${CMAKE_DL_LIBS})
target_include_directories(test_reader_module PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(test_reader_module PRIVATE
  DEXMORA_CLI_PATH="$<TARGET_FILE:dexmora-cli>"
  READER_MODULE_PATH="$<TARGET_FILE:dexmora-zxing-reader>"
  FAKE_WRONG_ABI_PATH="$<TARGET_FILE:test_reader_wrong_abi>"
  FAKE_NO_ENTRIES_PATH="$<TARGET_FILE:test_reader_no_entries>"
  FAKE_OUT_OF_MEMORY_PATH="$<TARGET_FILE:test_reader_out_of_memory>")
add_dependencies(test_reader_module dexmora-cli dexmora-zxing-reader
                 test_reader_wrong_abi test_reader_no_entries test_reader_out_of_memory)
dexmora_warnings(test_reader_module)
gtest_discover_tests(test_reader_module DISCOVERY_TIMEOUT 60)

# zxing-cpp stays out of every run that does not verify.
find_program(DEXMORA_READELF readelf)
if(DEXMORA_READELF)
  add_test(NAME cli_does_not_link_zxing
    COMMAND sh -c "! '${DEXMORA_READELF}' -d \"$0\" | grep -q 'NEEDED.*ZXing'" $<TARGET_FILE:dexmora-cli>)
endif()
