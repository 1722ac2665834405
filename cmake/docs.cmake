# The public headers rendered by Doxygen (Debian's doxygen); the test runs it
# with warnings as errors, so an undocumented public declaration fails.
if(DEXMORA_DOCS)
  if(NOT DOXYGEN_FOUND)
    find_package(Doxygen REQUIRED)
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/docs/Doxyfile.in ${PROJECT_BINARY_DIR}/Doxyfile @ONLY)
  add_custom_target(docs
    COMMAND Doxygen::doxygen ${PROJECT_BINARY_DIR}/Doxyfile
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    COMMENT "Doxygen: the public headers into docs/html"
    VERBATIM)
  if(BUILD_TESTING AND NOT DEXMORA_SANITIZE)
    add_test(NAME docs_public_headers COMMAND Doxygen::doxygen ${PROJECT_BINARY_DIR}/Doxyfile
             WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
    set_tests_properties(docs_public_headers PROPERTIES LABELS docs)
  endif()
endif()
