# Pictures, vector files and the file writer.
find_package(Threads REQUIRED)

add_executable(test_render test_render_settings.cpp test_render_png.cpp test_render_vector.cpp)
target_link_libraries(test_render PRIVATE dexmora_test_support GTest::gtest GTest::gtest_main ZLIB::ZLIB)
dexmora_warnings(test_render)
gtest_discover_tests(test_render DISCOVERY_TIMEOUT 60)

# The protected_symlinks case changes a machine-wide setting (and restores
# it), so it runs alone.
add_executable(test_output_file test_output_file.cpp ${PROJECT_SOURCE_DIR}/cli/signal_cleanup.cpp)
target_link_libraries(test_output_file PRIVATE dexmora_test_support GTest::gtest GTest::gtest_main Threads::Threads)
dexmora_warnings(test_output_file)
gtest_discover_tests(test_output_file TEST_FILTER "-OutputFileSerial.*" DISCOVERY_TIMEOUT 60)
add_test(NAME output_file_protected_symlinks COMMAND test_output_file --gtest_filter=OutputFileSerial.*)
set_tests_properties(output_file_protected_symlinks PROPERTIES RUN_SERIAL TRUE)

dexmora_gtest(test_gs1 test_gs1.cpp)

dexmora_gtest(test_encodation test_encodation.cpp test_encodation_roundtrip.cpp)

# CI runs as root, and root passes permission checks that stop everyone
# else: the writer's tests run again as an ordinary user.
find_program(DEXMORA_SETPRIV setpriv)
if(DEXMORA_SETPRIV)
  add_test(NAME output_file_as_ordinary_user
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/as_ordinary_user.sh ${DEXMORA_SETPRIV}
            $<TARGET_FILE:test_output_file> --gtest_filter=-OutputFileSerial.*)
endif()

# The public face alone, as a program outside the library builds against it.
add_executable(test_library_face test_library_face.cpp)
target_link_libraries(test_library_face PRIVATE dexmora_render dexmora_frontend GTest::gtest GTest::gtest_main Threads::Threads)
target_compile_definitions(test_library_face PRIVATE DEXMORA_TEST_VERSION="${PROJECT_VERSION}")
dexmora_warnings(test_library_face)
gtest_discover_tests(test_library_face DISCOVERY_TIMEOUT 60)

# Replaces the global operator new to fail each allocation in turn, so it is
# a program of its own. ThreadSanitizer's runtime defines every operator new
# itself, and the test has one thread.
if(NOT DEXMORA_SANITIZE STREQUAL "thread")
  dexmora_gtest(test_png_out_of_memory test_png_out_of_memory.cpp replaced_new.cpp)
endif()

# The PDF writer's deflated content: its rectangles, and its pictures as
# pdftoppm rasterises them against the module grid and the first release.
dexmora_gtest(test_pdf_compressed test_pdf_compressed.cpp)
target_link_libraries(test_pdf_compressed PRIVATE ZLIB::ZLIB)

# Label sheets: parsers, layout, captions and refusals; the PDFs themselves
# through poppler's tools and zxing-cpp's reader under the label "sheet".
include(sheet.cmake)
