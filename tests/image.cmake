# ZXing's package file cannot be loaded twice in one directory.
if(NOT TARGET ZXing::ZXing)
  find_package(ZXing REQUIRED)
endif()

# Shared by the image tests: temporary directories, PNG read-back, fixtures.
add_library(dexmora_image_test_support STATIC png_reader.cpp test_files.cpp symbol_fixture.cpp)
target_link_libraries(dexmora_image_test_support PUBLIC dexmora PNG::PNG)
dexmora_warnings(dexmora_image_test_support)

dexmora_gtest(test_matrix3 test_matrix3.cpp)
dexmora_gtest(test_rasterizer test_rasterizer.cpp)
target_link_libraries(test_rasterizer PRIVATE dexmora_image_test_support)
dexmora_gtest(test_png_writer test_png_writer.cpp)
target_link_libraries(test_png_writer PRIVATE dexmora_image_test_support)
dexmora_gtest(test_scan test_scan.cpp)
target_link_libraries(test_scan PRIVATE dexmora_image_test_support ZXing::ZXing)
target_compile_definitions(test_scan PRIVATE ZX_USE_UTF8)
