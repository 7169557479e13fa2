# Runs the picture program into OUTPUT and compares every file with COMMITTED.
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
foreach(name IN LISTS made)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${OUTPUT}/${name}" "${COMMITTED}/${name}"
                  RESULT_VARIABLE same)
  if(NOT same EQUAL 0)
    list(APPEND differing "${name}")
  endif()
endforeach()
if(differing)
  message(FATAL_ERROR "differ from the committed pictures: ${differing}")
endif()
list(LENGTH made count)
message(STATUS "all ${count} pictures reproduced byte for byte")
