# Robustness: allocation failures inside the encode job, memcheck runs of
# dexmora-cli, and the sanitizer settings of the sanitized configuration.

# ThreadSanitizer's runtime brings its own operator new and delete, which the
# failing ones cannot replace; the other configurations run these tests.
if(NOT DEXMORA_SANITIZE STREQUAL "thread")
  # The child of the allocation-failure tests: the first release's API on
  # libdexmora.so, as the dialog has it, linked with malloc and calloc wrappers
  # that fail the call DEXMORA_FAIL_ALLOCATION names.
  add_executable(alloc_failure_child alloc_failure/alloc_failure_child.cpp alloc_failure/failing_alloc.cpp
    replaced_new.cpp)
  target_include_directories(alloc_failure_child PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(alloc_failure_child PRIVATE dexmora_classic Dexmora::dexmora)
  target_link_options(alloc_failure_child PRIVATE -Wl,--wrap=malloc -Wl,--wrap=calloc)
  dexmora_warnings(alloc_failure_child)

  dexmora_gtest(test_alloc_failure alloc_failure/test_alloc_failure.cpp)
  target_link_libraries(test_alloc_failure PRIVATE dexmora_test_support)
  target_compile_definitions(test_alloc_failure PRIVATE
    DEXMORA_ALLOC_FAILURE_CHILD="$<TARGET_FILE:alloc_failure_child>")
  add_dependencies(test_alloc_failure alloc_failure_child)
endif()

# The sanitizers replace valgrind's view of the heap, so memcheck runs only in
# the plain configuration.
if(NOT DEXMORA_SANITIZE)
  find_program(DEXMORA_VALGRIND valgrind)
  if(DEXMORA_VALGRIND)
    string(REPEAT "DexmoraECC200" 100 DEXMORA_LONG_TEXT)
    foreach(run IN ITEMS "10;123456" "52;Dexmora 52x52" "144;${DEXMORA_LONG_TEXT}")
      list(GET run 0 size)
      list(GET run 1 text)
      add_test(NAME memcheck_cli_${size}x${size}
        COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/memcheck_cli.sh
          ${DEXMORA_VALGRIND} -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect
          $<TARGET_FILE:dexmora-cli> -s ${size} ${text})
      set_tests_properties(memcheck_cli_${size}x${size} PROPERTIES TIMEOUT 300)
    endforeach()
  else()
    message(WARNING "valgrind not found: the memcheck tests of dexmora-cli are not registered")
  endif()
endif()

# Every test of the sanitized configuration, and every child it starts, runs
# with leak detection on and stops at the first report.
if(DEXMORA_SANITIZE)
  set(DEXMORA_SANITIZER_ENV ${CMAKE_CURRENT_BINARY_DIR}/sanitizer_env.cmake)
  file(WRITE ${DEXMORA_SANITIZER_ENV}
    "set(ENV{ASAN_OPTIONS} \"detect_leaks=1:strict_string_checks=1:check_initialization_order=1:detect_stack_use_after_return=1\")\n"
    "set(ENV{UBSAN_OPTIONS} \"print_stacktrace=1:halt_on_error=1\")\n"
    "set(ENV{TSAN_OPTIONS} \"halt_on_error=1:second_deadlock_stack=1\")\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${DEXMORA_SANITIZER_ENV})
endif()
