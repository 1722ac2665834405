# nginx in front of two instances, one killed mid-stream: plain builds only.
if(NOT DEXMORA_SANITIZE AND TARGET dexmora-serve)
  add_test(NAME nginx_scale_out COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/scale_out.sh $<TARGET_FILE:dexmora-serve>
                                ${PROJECT_SOURCE_DIR}/docs/deploy.md)
  set_tests_properties(nginx_scale_out PROPERTIES LABELS nginx SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
