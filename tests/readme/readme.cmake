# README.md's commands, run as a newcomer runs them (tests/readme/run_readme.py):
# in a fresh copy of the tree, whose first step, ./run, is the one build of
# the tree besides the suite's own. The docs test reuses that copy and its
# build (the fixture), so `ctest -L docs` runs the readme test first. Slow,
# so plain builds only; the dialog's build, since ./run builds it too.
if(NOT DEXMORA_SANITIZE AND DEXMORA_GUI)
  find_program(DEXMORA_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
  set(readme_work ${PROJECT_BINARY_DIR}/readme-copy)
  add_test(NAME readme
    COMMAND ${DEXMORA_PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/run_readme.py
            --source ${PROJECT_SOURCE_DIR} --work ${readme_work})
  set_tests_properties(readme PROPERTIES LABELS readme SKIP_RETURN_CODE 77 TIMEOUT 2400
                                         FIXTURES_SETUP dexmora_readme_copy)
  add_test(NAME docs
    COMMAND ${DEXMORA_PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/run_readme.py --docs --work ${readme_work})
  set_tests_properties(docs PROPERTIES LABELS docs SKIP_RETURN_CODE 77 TIMEOUT 900
                                       FIXTURES_REQUIRED dexmora_readme_copy)
  # The copy holds a whole build: it goes once both are done.
  add_test(NAME readme_copy_removed COMMAND ${CMAKE_COMMAND} -E rm -rf ${readme_work})
  set_tests_properties(readme_copy_removed PROPERTIES LABELS readme FIXTURES_CLEANUP dexmora_readme_copy)
  # The checker itself, on small READMEs that must pass or fail.
  add_test(NAME readme_checker
    COMMAND ${DEXMORA_PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/check_run_readme.py ${CMAKE_CURRENT_LIST_DIR}/run_readme.py)
  set_tests_properties(readme_checker PROPERTIES LABELS readme)
endif()
