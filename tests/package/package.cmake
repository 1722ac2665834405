# The installed product: --version, man pages, bash completion, an outside
# project built against an installed prefix, and the Debian packages.
set(package_tests ${CMAKE_CURRENT_LIST_DIR})

add_test(NAME package_version
  COMMAND sh ${package_tests}/version.sh $<TARGET_FILE:dexmora-cli> ${PROJECT_VERSION})
add_test(NAME package_completion
  COMMAND bash ${package_tests}/completion.sh ${PROJECT_SOURCE_DIR}/completion/dexmora-cli)
set(package_test_names package_version package_completion)
if(TARGET dexmora-man)
  add_test(NAME package_man
    COMMAND sh ${package_tests}/man.sh ${PROJECT_BINARY_DIR}/man $<TARGET_FILE:dexmora-cli>)
  list(APPEND package_test_names package_man)
endif()

# Installed libraries carry the build's instrumentation, which an outside
# project does not link; only plain builds are packaged.
if(NOT DEXMORA_SANITIZE)
  add_test(NAME package_consumer
    COMMAND sh ${package_tests}/consumer.sh ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR}
            $<TARGET_FILE:dexmora-cli> ${CMAKE_COMMAND} ${CMAKE_CXX_COMPILER})
  list(APPEND package_test_names package_consumer)
  add_test(NAME package_build_policy COMMAND sh ${package_tests}/build_policy.sh ${PROJECT_SOURCE_DIR} ${CMAKE_COMMAND})
  set_tests_properties(package_build_policy PROPERTIES SKIP_RETURN_CODE 77)
  list(APPEND package_test_names package_build_policy)
endif()
# The packages ship the man pages, so they are checked only where scdoc built them.
if(NOT DEXMORA_SANITIZE AND TARGET dexmora-man)
  add_test(NAME package_deb
    COMMAND sh ${package_tests}/deb.sh ${PROJECT_BINARY_DIR} ${CMAKE_CPACK_COMMAND} ${CMAKE_COMMAND}
            $<TARGET_FILE:dexmora-cli> ${DEXMORA_DEB_BUILD} ${PROJECT_SOURCE_DIR})
  set_tests_properties(package_deb PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 240)
  # Both run install scripts of this build tree.
  set_tests_properties(package_consumer package_deb PROPERTIES RESOURCE_LOCK dexmora_install)
  list(APPEND package_test_names package_deb)
endif()
set_tests_properties(${package_test_names} PROPERTIES LABELS package)
