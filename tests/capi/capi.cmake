# The C interface: the C program built in the tree (so the sanitized build
# runs it too), then from an installed prefix through pkg-config, and Python's
# ctypes on the installed library.
set(capi_tests ${CMAKE_CURRENT_LIST_DIR})
find_program(DEXMORA_SYSTEM_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)

add_executable(capi_program ${capi_tests}/capi_program.c)
target_link_libraries(capi_program PRIVATE Dexmora::dexmora)
set_target_properties(capi_program PROPERTIES C_STANDARD 99 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
dexmora_warnings(capi_program)
add_test(NAME capi_program
  COMMAND sh ${capi_tests}/run_program.sh $<TARGET_FILE:capi_program> ${DEXMORA_SYSTEM_PYTHON} ${capi_tests}/scan_png.py)
set_tests_properties(capi_program PROPERTIES LABELS capi)

# Installed libraries carry the build's instrumentation, which an outside
# program does not link: plain builds only, as package_consumer.
if(NOT DEXMORA_SANITIZE)
  foreach(mode c99 ctypes)
    add_test(NAME capi_installed_${mode}
      COMMAND sh ${capi_tests}/installed.sh ${mode} ${PROJECT_BINARY_DIR} ${CMAKE_COMMAND} ${CMAKE_C_COMPILER}
              ${DEXMORA_SYSTEM_PYTHON} ${PROJECT_SOURCE_DIR})
    set_tests_properties(capi_installed_${mode} PROPERTIES LABELS capi RESOURCE_LOCK dexmora_install
                         ENVIRONMENT "DEXMORA_CLI=$<TARGET_FILE:dexmora-cli>")
  endforeach()
endif()
