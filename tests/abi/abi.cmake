# libdexmora.so.1 held to abi/ (label abi): its types and functions
# (abidiff), its exported symbols, the Debian symbols file, and the guards
# themselves on planted changes. abi/update.sh records a deliberate change.
if(NOT DEXMORA_ABI_CHECK)
  return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU" OR DEXMORA_SANITIZE)
  message(FATAL_ERROR "DEXMORA_ABI_CHECK compares g++'s description of an uninstrumented library with abi/: "
                      "use g++ without sanitizers, or -DDEXMORA_ABI_CHECK=OFF")
endif()
if(NOT ABIDW OR NOT ABIDIFF)
  message(FATAL_ERROR "DEXMORA_ABI_CHECK needs abidw and abidiff: apt-get install abigail-tools")
endif()
find_program(DEXMORA_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
set(abi_tests ${CMAKE_CURRENT_LIST_DIR})
set(abi_headers ${PROJECT_SOURCE_DIR}/include/dexmora ${PROJECT_BINARY_DIR}/include/dexmora)

add_test(NAME abi_types
  COMMAND sh ${abi_tests}/check_abi.sh ${PROJECT_SOURCE_DIR}/abi/libdexmora.abi $<TARGET_SONAME_FILE:dexmora>
          ${abi_headers})
add_test(NAME abi_exports
  COMMAND ${DEXMORA_PYTHON3} ${abi_tests}/check_exports.py ${PROJECT_SOURCE_DIR}/abi/exports.txt
          $<TARGET_SONAME_FILE:dexmora> ${PROJECT_SOURCE_DIR}/library/dexmora.map ${abi_headers})
add_test(NAME abi_debian_symbols
  COMMAND sh ${abi_tests}/check_symbols.sh ${PROJECT_SOURCE_DIR}/abi/libdexmora1.symbols
          $<TARGET_SONAME_FILE:dexmora>)
add_test(NAME abi_guards_planted
  COMMAND sh ${abi_tests}/planted.sh ${CMAKE_CXX_COMPILER} $<TARGET_SONAME_FILE:dexmora>
          ${PROJECT_SOURCE_DIR}/abi/libdexmora1.symbols)
set_tests_properties(abi_types abi_exports abi_debian_symbols abi_guards_planted PROPERTIES LABELS abi)
