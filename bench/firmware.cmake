# The sketches' reply times on the emulated board (our own builds, where the
# test suite builds the emulator).
if(LUMETTO_FIRMWARE AND TARGET lumetto_emulata)
  add_executable(bench_firmware bench_firmware.cpp)
  target_link_libraries(bench_firmware PRIVATE lumetto_misure lumetto_emulata)
  add_dependencies(bench_firmware firmware lumetto-emulatore)
endif()
