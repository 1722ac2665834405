add_executable(bench_pipeline bench_pipeline.cpp)
target_link_libraries(bench_pipeline PRIVATE dexmora benchmark::benchmark)
dexmora_warnings(bench_pipeline)
