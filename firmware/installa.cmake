# The Arduino library as the IDE takes it ("Sketch > #include library > Add
# .ZIP library": a Lumetto/ folder with library.properties, src/ and
# examples/), and its examples beside it, installed under share/lumetto/arduino.
# Built in every configuration: it needs only CMake, no board toolchain.
file(GLOB_RECURSE lumetto_arduino_file CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_LIST_DIR}/src/* ${CMAKE_CURRENT_LIST_DIR}/examples/*)
set(lumetto_arduino_dir ${PROJECT_BINARY_DIR}/arduino)
# The command runs in it: Ninja makes an output's folder, Make does not.
file(MAKE_DIRECTORY ${lumetto_arduino_dir})
add_custom_command(
  OUTPUT ${lumetto_arduino_dir}/Lumetto.zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${lumetto_arduino_dir}/Lumetto
  COMMAND ${CMAKE_COMMAND} -E make_directory ${lumetto_arduino_dir}/Lumetto
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_CURRENT_LIST_DIR}/src
          ${lumetto_arduino_dir}/Lumetto/src
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_CURRENT_LIST_DIR}/examples
          ${lumetto_arduino_dir}/Lumetto/examples
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/library.properties
          ${CMAKE_CURRENT_LIST_DIR}/keywords.txt ${CMAKE_CURRENT_LIST_DIR}/LICENSE
          ${lumetto_arduino_dir}/Lumetto/
  COMMAND ${CMAKE_COMMAND} -E tar cf Lumetto.zip --format=zip Lumetto
  WORKING_DIRECTORY ${lumetto_arduino_dir}
  DEPENDS ${lumetto_arduino_file} ${CMAKE_CURRENT_LIST_DIR}/library.properties
          ${CMAKE_CURRENT_LIST_DIR}/keywords.txt ${CMAKE_CURRENT_LIST_DIR}/LICENSE
  COMMENT "The Lumetto library for the Arduino IDE (Lumetto.zip)"
  VERBATIM)
add_custom_target(lumetto_arduino_zip ALL DEPENDS ${lumetto_arduino_dir}/Lumetto.zip)
install(FILES ${lumetto_arduino_dir}/Lumetto.zip DESTINATION ${CMAKE_INSTALL_DATADIR}/lumetto/arduino)
install(DIRECTORY ${CMAKE_CURRENT_LIST_DIR}/examples
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lumetto/arduino)
