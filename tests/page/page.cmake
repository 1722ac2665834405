# The generator page: language choice and the page's own consistency.
include(${PROJECT_SOURCE_DIR}/server/page/page.cmake)
dexmora_gtest(test_generator_page ${CMAKE_CURRENT_LIST_DIR}/test_generator_page.cpp)
target_link_libraries(test_generator_page PRIVATE dexmora_serve_page)
