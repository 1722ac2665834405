# The Python module against the library it binds (bench_python.py):
# `cmake --build build --target bench_python` builds both sides and runs it.
if(NOT TARGET dexmora_python)
  return()
endif()
add_executable(bench_python_baseline bench_python_baseline.cpp)
target_link_libraries(bench_python_baseline PRIVATE Dexmora::dexmora)
dexmora_warnings(bench_python_baseline)
add_custom_target(bench_python
  COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${DEXMORA_PYTHON_BUILD_DIR} PYTHONDONTWRITEBYTECODE=1
          ${DEXMORA_PYTHON_INTERPRETER} ${CMAKE_CURRENT_SOURCE_DIR}/bench_python.py
          --baseline $<TARGET_FILE:bench_python_baseline>
  DEPENDS dexmora_python bench_python_baseline
  USES_TERMINAL
  VERBATIM)
