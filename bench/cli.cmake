# Whole-process cost of dexmora-cli writing a small picture. qrencode (a QR
# Code tool, from Debian's qrencode package) is the comparison where installed.
find_program(DEXMORA_QRENCODE qrencode)
find_program(DEXMORA_TRUE true REQUIRED)
if(NOT DEXMORA_QRENCODE)
  set(DEXMORA_QRENCODE "")
endif()

add_executable(bench_cli bench_cli.cpp)
target_link_libraries(bench_cli PRIVATE benchmark::benchmark)
target_compile_definitions(bench_cli PRIVATE
  DEXMORA_CLI_PATH="$<TARGET_FILE:dexmora-cli>"
  QRENCODE_PATH="${DEXMORA_QRENCODE}"
  TRUE_PATH="${DEXMORA_TRUE}")
add_dependencies(bench_cli dexmora-cli)
dexmora_warnings(bench_cli)
