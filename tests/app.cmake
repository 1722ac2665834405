# The dialog under Qt Test, on the offscreen platform so no display is needed.
find_package(Qt6 REQUIRED COMPONENTS Test)

add_executable(test_dialog test_dialog.cpp)
set_target_properties(test_dialog PROPERTIES AUTOMOC ON)
target_link_libraries(test_dialog PRIVATE dexmora-dialog Qt6::Test ZXing::ZXing)
target_compile_definitions(test_dialog PRIVATE ZX_USE_UTF8)
dexmora_warnings(test_dialog)
add_test(NAME test_dialog COMMAND test_dialog)
set_tests_properties(test_dialog PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  add_test(NAME desktop_file_valid
           COMMAND ${DESKTOP_FILE_VALIDATE} ${PROJECT_SOURCE_DIR}/app/dexmora.desktop)
endif()

# Installs into a scratch prefix and checks the program, its menu entry and
# its icons land where desktops look for them.
add_test(NAME app_install
  COMMAND sh -c "prefix=$(mktemp -d) && trap 'rm -rf \"$prefix\"' EXIT && \
\"$0\" --install \"$1\" --prefix \"$prefix\" >/dev/null && \
test -x \"$prefix/bin/dexmora\" && \
test -f \"$prefix/share/applications/dexmora.desktop\" && \
test -f \"$prefix/share/icons/hicolor/16x16/apps/dexmora.png\" && \
test -f \"$prefix/share/icons/hicolor/32x32/apps/dexmora.png\" && \
test -f \"$prefix/share/icons/hicolor/48x48/apps/dexmora.png\" && \
test -f \"$prefix/share/icons/hicolor/scalable/apps/dexmora.svg\""
    ${CMAKE_COMMAND} ${PROJECT_BINARY_DIR})

# --help and --version need no display: run with none and no Qt platform set.
add_test(NAME app_without_display
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/app_without_display.sh $<TARGET_FILE:dexmora-app> ${PROJECT_VERSION})

# The dialog on libdexmora.so.1, with no copy of the library in it.
add_test(NAME app_on_shared_library
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/app_on_shared_library.sh $<TARGET_FILE:dexmora-app>
    $<TARGET_FILE:Dexmora::dexmora> ${CMAKE_NM})
