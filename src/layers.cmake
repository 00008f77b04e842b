# Sources include headers by layer and part ("core/settings/inifile.h"). A layer
# may include its own headers and those of the layers below it, never one above
# or beside it. Every build checks the includes of the sources that changed
# since the last, and a wrong one stops the build and names the file.
include_guard(GLOBAL)

set(PAGELITH_LAYERS_BELOW_core core)
set(PAGELITH_LAYERS_BELOW_engine core engine)
set(PAGELITH_LAYERS_BELOW_gui core engine gui)
set(PAGELITH_LAYERS_BELOW_cli core engine cli)

if(CMAKE_SCRIPT_MODE_FILE)
  # cmake -DLAYER=... -DSOURCES=a;b;... -DSTAMP=... -P layers.cmake
  cmake_policy(SET CMP0057 NEW)
  foreach(source ${SOURCES})
    file(STRINGS ${source} includes REGEX "^#include \"(core|engine|gui|cli)/")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" used "${line}")
      if(NOT used IN_LIST PAGELITH_LAYERS_BELOW_${LAYER})
        message(FATAL_ERROR "${source}: the ${LAYER} layer cannot include ${line}")
      endif()
    endforeach()
  endforeach()
  file(TOUCH ${STAMP})
  return()
endif()

function(pagelith_check_layer_includes layer)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${layer}-layer-includes.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DLAYER=${layer} "-DSOURCES=${ARGN}" -DSTAMP=${stamp}
            -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    DEPENDS ${ARGN} ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    COMMENT "Checking the ${layer} layer's includes" VERBATIM)
  add_custom_target(pagelith-${layer}-layer-includes DEPENDS ${stamp})
  add_dependencies(pagelith-${layer} pagelith-${layer}-layer-includes)
endfunction()
