# The pin-state decoder, on its own: it needs neither the port nor Qt.
add_library(lumetto_statopin_fuzz STATIC ${PROJECT_SOURCE_DIR}/panels/statopin.cpp)
target_include_directories(lumetto_statopin_fuzz PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(lumetto_statopin_fuzz PRIVATE ${LUMETTO_FUZZ_FLAGS})

add_executable(pannelli_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/pannelli_fuzz.cpp)
target_compile_options(pannelli_fuzz PRIVATE -fsanitize=fuzzer,address,undefined
  -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_link_options(pannelli_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(pannelli_fuzz PRIVATE lumetto_statopin_fuzz)
