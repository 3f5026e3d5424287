# Each library exports only the headers of its own folder: they are linked,
# one by one, into a folder of the build tree that is the library's include
# path, so "#include "schemes/sca.h"" reaches a target only through a library
# it links, and an include across layers that its dependencies do not allow
# fails to build.
#
#   lumetto_esporta(TARGET FOLDER [HEADERS h1 h2 ...] [EXCEPT h1 ...])
#
# FOLDER is relative to the source tree ("serial/posix"); without HEADERS every
# *.h directly in it is exported, less those after EXCEPT.
function(lumetto_esporta target cartella)
  cmake_parse_arguments(E "" "" "HEADERS;EXCEPT" ${ARGN})
  set(sorgente ${PROJECT_SOURCE_DIR}/${cartella})
  if(NOT IS_DIRECTORY ${sorgente})
    message(FATAL_ERROR "lumetto_esporta(${target}): no folder ${cartella}")
  endif()
  if(E_HEADERS)
    set(intestazioni ${E_HEADERS})
  else()
    file(GLOB intestazioni RELATIVE ${sorgente} CONFIGURE_DEPENDS ${sorgente}/*.h)
  endif()
  if(E_EXCEPT)
    list(REMOVE_ITEM intestazioni ${E_EXCEPT})
  endif()
  set(radice ${PROJECT_BINARY_DIR}/intestazioni/${target})
  file(REMOVE_RECURSE ${radice}/${cartella})
  file(MAKE_DIRECTORY ${radice}/${cartella})
  foreach(h IN LISTS intestazioni)
    if(NOT EXISTS ${sorgente}/${h})
      message(FATAL_ERROR "lumetto_esporta(${target}): no header ${cartella}/${h}")
    endif()
    file(CREATE_LINK ${sorgente}/${h} ${radice}/${cartella}/${h} SYMBOLIC)
  endforeach()
  get_target_property(tipo ${target} TYPE)
  if(tipo STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${radice})
  else()
    target_include_directories(${target} PUBLIC ${radice})
  endif()
endfunction()
