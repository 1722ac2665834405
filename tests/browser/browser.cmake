# The generator page in Debian's chromium, driven by puppeteer-core: plain
# builds only. npm installs the pinned puppeteer-core into the build folder
# once per package-lock.json.
if(NOT DEXMORA_SANITIZE AND TARGET dexmora-serve)
  add_executable(scan_png ${CMAKE_CURRENT_LIST_DIR}/scan_png.cpp)
  target_link_libraries(scan_png PRIVATE dexmora_test_support)
  dexmora_warnings(scan_png)
  add_test(NAME browser_generator_page
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/run.sh $<TARGET_FILE:dexmora-serve> $<TARGET_FILE:scan_png>
            ${CMAKE_CURRENT_BINARY_DIR}/browser-node)
  set_tests_properties(browser_generator_page PROPERTIES LABELS browser SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
