# README.md's commands, run as a newcomer runs them (tests/readme/run_readme.py):
# in a scratch copy of the tree whose build/ is this build folder. Slow (it
# builds the tree by hand once more and runs that suite), so plain builds
# only; the dialog's build, since ./run builds it too.
if(NOT DEXMORA_SANITIZE AND DEXMORA_GUI)
  find_program(DEXMORA_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
  add_test(NAME readme
    COMMAND ${DEXMORA_PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/run_readme.py
            --source ${PROJECT_SOURCE_DIR} --build ${PROJECT_BINARY_DIR})
  # ./run and the README's cmake lines use this build tree, as package_deb does.
  set_tests_properties(readme PROPERTIES LABELS readme SKIP_RETURN_CODE 77 TIMEOUT 2400
                                         RESOURCE_LOCK dexmora_install)
  # The checker itself, on small READMEs that must pass or fail.
  add_test(NAME readme_checker
    COMMAND ${DEXMORA_PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/check_run_readme.py ${CMAKE_CURRENT_LIST_DIR}/run_readme.py)
  set_tests_properties(readme_checker PROPERTIES LABELS readme)
endif()
