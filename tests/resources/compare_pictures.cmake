# Runs the picture program into OUTPUT and compares every file with COMMITTED: byte for
# byte, or pixel for pixel within rounding.
# cmake -DTOOL=... -DCOMMITTED=... -DOUTPUT=... -P compare_pictures.cmake
file(REMOVE_RECURSE "${OUTPUT}")
execute_process(COMMAND "${TOOL}" "${OUTPUT}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "make_pictures failed (${result})")
endif()

file(GLOB made RELATIVE "${OUTPUT}" "${OUTPUT}/*")
file(GLOB committed RELATIVE "${COMMITTED}" "${COMMITTED}/*")
list(SORT made)
list(SORT committed)
if(NOT made STREQUAL committed)
  message(FATAL_ERROR "the program makes [${made}] but [${committed}] are committed")
endif()

set(differing "")
set(rounded "")
foreach(name IN LISTS made)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${OUTPUT}/${name}" "${COMMITTED}/${name}"
                  RESULT_VARIABLE same)
  if(NOT same EQUAL 0)
    # The raster engine's vector paths differ between processors and may round an
    # anti-aliased edge one step apart; that is the same picture. Any pixel further off
    # than such a rounding step is a real change.
    execute_process(COMMAND compare -metric AE -fuzz 1% "${OUTPUT}/${name}" "${COMMITTED}/${name}" null:
                    RESULT_VARIABLE compared ERROR_VARIABLE off_pixels)
    if(NOT compared EQUAL 0 OR NOT off_pixels STREQUAL "0")
      list(APPEND differing "${name}")
    else()
      list(APPEND rounded "${name}")
    endif()
  endif()
endforeach()
if(differing)
  message(FATAL_ERROR "differ from the committed pictures: ${differing}")
endif()
list(LENGTH made count)
if(rounded)
  message(STATUS "all ${count} pictures reproduced; within one rounding step of the committed ones: ${rounded}")
else()
  message(STATUS "all ${count} pictures reproduced byte for byte")
endif()
