# The sketches' reply times on the emulated board (our own builds only).
if(LUMETTO_FIRMWARE)
  add_executable(bench_firmware bench_firmware.cpp)
  target_include_directories(bench_firmware PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(bench_firmware PRIVATE lumetto_misure)
  target_compile_definitions(bench_firmware PRIVATE
    LUMETTO_FIRMWARE_BUILD="${LUMETTO_FIRMWARE_BUILD}"
    LUMETTO_EMULATORE="$<TARGET_FILE:lumetto-emulatore>")
  add_dependencies(bench_firmware firmware lumetto-emulatore)
endif()
