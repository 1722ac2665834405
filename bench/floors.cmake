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

# dexmora_floor_driver(NAME FLOOR DEFINE): the driver NAME timing dexmora-cli
# beside the floor program FLOOR, whose path it gets as DEFINE.
function(dexmora_floor_driver name floor define)
  add_executable(${name} ${name}.cpp)
  target_link_libraries(${name} PRIVATE dexmora_process_timing)
  target_compile_definitions(${name} PRIVATE
    DEXMORA_CLI_PATH="$<TARGET_FILE:dexmora-cli>" ${define}="$<TARGET_FILE:${floor}>")
  add_dependencies(${name} dexmora-cli ${floor})
  dexmora_warnings(${name})
endfunction()

dexmora_floor_driver(bench_startup floor_png FLOOR_PNG_PATH)
dexmora_floor_driver(bench_batch_floor floor_files FLOOR_FILES_PATH)

# A 10,000-label sheet beside the same symbols as 10,000 single PDFs.
add_executable(bench_sheet bench_sheet.cpp)
target_link_libraries(bench_sheet PRIVATE dexmora_process_timing)
target_compile_definitions(bench_sheet PRIVATE DEXMORA_CLI_PATH="$<TARGET_FILE:dexmora-cli>")
add_dependencies(bench_sheet dexmora-cli)
dexmora_warnings(bench_sheet)
