# The detailed report from "Imprimir" to the PDF, for 20 and 1 000 capsules.
add_executable(bench_relatorio EXCLUDE_FROM_ALL bench_relatorio.cpp)
target_link_libraries(bench_relatorio PRIVATE pm_app pm_testsupport)
pesomed_report_project(bench_relatorio)
add_dependencies(benchmarks bench_relatorio)
