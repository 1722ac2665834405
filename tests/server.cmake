# dexmora-serve: its request code alone, then the server as a child process
# on an ephemeral loopback port, asked through libcurl.
find_package(CURL REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(JSONCPP REQUIRED IMPORTED_TARGET jsoncpp)

dexmora_gtest(test_serve_request server/test_serve_request.cpp)
target_link_libraries(test_serve_request PRIVATE dexmora_serve_request dexmora_render)
target_include_directories(test_serve_request PRIVATE ${PROJECT_SOURCE_DIR})

add_library(dexmora_serve_test_support STATIC server/serve_fixture.cpp test_cli_support.cpp)
target_link_libraries(dexmora_serve_test_support PUBLIC dexmora_test_support CURL::libcurl PkgConfig::JSONCPP
                      GTest::gtest)
target_compile_definitions(dexmora_serve_test_support PUBLIC
  DEXMORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}" DEXMORA_SERVE_PATH="$<TARGET_FILE:dexmora-serve>" DEXMORA_CLI_PATH="$<TARGET_FILE:dexmora-cli>")
target_include_directories(dexmora_serve_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/server)
dexmora_warnings(dexmora_serve_test_support)

dexmora_gtest(test_serve_threads server/test_serve_threads.cpp)
target_link_libraries(test_serve_threads PRIVATE dexmora_serve_threads dexmora_serve_test_support)

foreach(name test_serve_http test_serve_limits test_serve_framing test_serve_process)
  add_executable(${name} server/${name}.cpp)
  target_link_libraries(${name} PRIVATE dexmora_serve_test_support GTest::gtest_main)
  add_dependencies(${name} dexmora-serve dexmora-cli)
  dexmora_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS serve TIMEOUT 120)
endforeach()
