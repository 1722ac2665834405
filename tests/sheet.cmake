# Label sheets: the library's parsers, layouts, captions and refusals, and
# dexmora-cli --sheet beside what the library makes of the same settings,
# run in every configuration.
dexmora_gtest(test_sheet test_sheet.cpp)
target_link_libraries(test_sheet PRIVATE dexmora_sheet ZLIB::ZLIB)

add_executable(test_cli_sheet test_cli_sheet.cpp test_cli_support.cpp)
target_link_libraries(test_cli_sheet PRIVATE dexmora_sheet dexmora_test_support GTest::gtest GTest::gtest_main)
target_compile_definitions(test_cli_sheet PRIVATE DEXMORA_CLI_PATH="$<TARGET_FILE:dexmora-cli>")
add_dependencies(test_cli_sheet dexmora-cli)
dexmora_warnings(test_cli_sheet)
gtest_discover_tests(test_cli_sheet DISCOVERY_TIMEOUT 60)

# The PDFs read back by pdfinfo, pdftotext, pdffonts and pdftoppm (rasters
# of whole pages at 300 dpi, every symbol decoded): slow, so under the label
# "sheet" and in the plain build only.
if(NOT DEXMORA_SANITIZE)
  add_executable(test_sheet_pdf test_sheet_pdf.cpp)
  target_link_libraries(test_sheet_pdf PRIVATE dexmora_sheet dexmora_test_support GTest::gtest GTest::gtest_main)
  dexmora_warnings(test_sheet_pdf)
  gtest_discover_tests(test_sheet_pdf DISCOVERY_TIMEOUT 60 PROPERTIES LABELS sheet)
endif()

# dexmora-cli links only the sheet options' parsers: a run maps no font
# library until --sheet loads the module.
if(NOT DEXMORA_SANITIZE)
  find_program(DEXMORA_READELF_FOR_SHEET readelf)
  if(DEXMORA_READELF_FOR_SHEET)
    add_test(NAME cli_maps_no_font_library
      COMMAND sh -c "! '${DEXMORA_READELF_FOR_SHEET}' -d \"$0\" | grep -q -e 'NEEDED.*harfbuzz' -e 'NEEDED.*fontconfig' -e 'NEEDED.*freetype'"
              $<TARGET_FILE:dexmora-cli>)
  endif()
endif()
