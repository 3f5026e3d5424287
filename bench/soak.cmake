# A long run of every experiment against the virtual board, then the export:
# readings, memory and descriptors checked at the end.
add_executable(bench_soak ${CMAKE_CURRENT_LIST_DIR}/bench_soak.cpp)
target_link_libraries(bench_soak PRIVATE lumetto_acquisition lumetto_board)
target_link_libraries(bench_soak PRIVATE lumetto_misure)
target_include_directories(bench_soak PRIVATE ${PROJECT_SOURCE_DIR}/tests)
