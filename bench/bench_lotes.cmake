# The empty-capsule lot register: activation, leaving a weight column, saving from the entry panel.
add_executable(bench_lotes EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/bench_lotes.cpp)
target_link_libraries(bench_lotes PRIVATE pm_lots)
add_dependencies(benchmarks bench_lotes)
