# Drivers that time whole processes beside the system's floor in one run:
# start-up against a C program writing the same PNG with libpng, and the
# batch against a C loop creating the same files. No Google Benchmark needed.
add_library(dexmora_process_timing STATIC process_timing.cpp)
dexmora_warnings(dexmora_process_timing)

add_executable(floor_png floor_png.c)
target_link_libraries(floor_png PRIVATE PNG::PNG)
dexmora_warnings(floor_png)

add_executable(floor_files floor_files.c)
dexmora_warnings(floor_files)

add_executable(bench_startup bench_startup.cpp)
target_link_libraries(bench_startup PRIVATE dexmora_process_timing)
target_compile_definitions(bench_startup PRIVATE
  DEXMORA_CLI_PATH="$<TARGET_FILE:dexmora-cli>" FLOOR_PNG_PATH="$<TARGET_FILE:floor_png>")
add_dependencies(bench_startup dexmora-cli floor_png)
dexmora_warnings(bench_startup)

add_executable(bench_batch_floor bench_batch_floor.cpp)
target_link_libraries(bench_batch_floor PRIVATE dexmora_process_timing)
target_compile_definitions(bench_batch_floor PRIVATE
  DEXMORA_CLI_PATH="$<TARGET_FILE:dexmora-cli>" FLOOR_FILES_PATH="$<TARGET_FILE:floor_files>")
add_dependencies(bench_batch_floor dexmora-cli floor_files)
dexmora_warnings(bench_batch_floor)
