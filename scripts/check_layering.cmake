# The include rules the include paths alone cannot enforce (every library
# has the source root on its path, so "platform/..." would resolve):
# - system code (app/, the unattended mode in app/cli included, render/,
#   scene/, sound/, data/) includes no platform, tool or test file by a
#   root-relative path; its platform headers come from platform/include by
#   name (and the unattended mode's internals through platform_testing);
# - the rasteriser (platform/raster) includes no SDL, Win32 or Direct3D
#   header and nothing of the platform outside raster/ but vertex_program.h.
# Run by ctest as `layering`: cmake -DROOT=<source root> -P check_layering.cmake
if(NOT ROOT)
  message(FATAL_ERROR "ROOT (the source root) not given")
endif()

set(faults "")
function(check_includes pattern why)
  foreach(file ${ARGN})
    file(STRINGS ${file} hits REGEX "${pattern}")
    foreach(hit ${hits})
      file(RELATIVE_PATH rel ${ROOT} ${file})
      string(STRIP "${hit}" hit)
      list(APPEND faults "${rel}: ${hit} (${why})")
    endforeach()
  endforeach()
  set(faults ${faults} PARENT_SCOPE)
endfunction()

set(system_files)
foreach(dir app render scene sound data)
  file(GLOB_RECURSE more ${ROOT}/${dir}/*.h ${ROOT}/${dir}/*.cpp)
  list(APPEND system_files ${more})
endforeach()
check_includes("^#include [<\"](platform|tools|tests)/" "system code sees platform/include only"
               ${system_files})

file(GLOB raster_files ${ROOT}/platform/raster/*.h ${ROOT}/platform/raster/*.cpp)
check_includes("^#include [<\"](SDL|windows\\.h|mmsystem\\.h|d3d|dsound|win32/|testing\\.h|sdl_error\\.h)"
               "the rasteriser knows no SDL, Win32 or Direct3D" ${raster_files})

if(faults)
  list(JOIN faults "\n" text)
  message(FATAL_ERROR "Include rules broken:\n${text}")
endif()
list(LENGTH system_files system_count)
list(LENGTH raster_files raster_count)
message(STATUS "Include rules hold (${system_count} system files, ${raster_count} raster files)")
