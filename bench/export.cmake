# The spreadsheet export of a full run.
add_executable(bench_export ${CMAKE_CURRENT_LIST_DIR}/bench_export.cpp)
target_link_libraries(bench_export PRIVATE lumetto_acquisition lumetto_xls)
target_link_libraries(bench_export PRIVATE lumetto_misure)
