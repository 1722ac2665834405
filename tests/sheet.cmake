# Label sheets. The library's own checks run everywhere; the PDFs read back
# by pdfinfo, pdftotext, pdffonts and pdftoppm (rasters of whole pages) and
# the command line's sheets are slow, so they carry the label "sheet".
dexmora_gtest(test_sheet test_sheet.cpp)
target_link_libraries(test_sheet PRIVATE dexmora_sheet ZLIB::ZLIB)
