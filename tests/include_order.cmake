# The folders of the game form one order; a file may include its own folder and the
# folders below it, never one beside or above it:
#   core, resources  <  widgets  <  play  <  print, results  <  ui  <  app
# The highscore service stands beside the game: it may include core alone, and no folder
# of the game includes it.
# cmake -DROOT=<source dir> -P include_order.cmake
set(levels core=0 resources=0 widgets=1 play=2 print=3 results=3 ui=4 app=5 server=9)
foreach(entry IN LISTS levels)
  string(REPLACE "=" ";" pair "${entry}")
  list(GET pair 0 folder)
  list(GET pair 1 level)
  set(level_${folder} ${level})
  list(APPEND folders ${folder})
endforeach()

set(violations "")
set(checked 0)
foreach(folder IN LISTS folders)
  file(GLOB_RECURSE sources "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp" "${ROOT}/${folder}/*.h.in")
  foreach(source IN LISTS sources)
    math(EXPR checked "${checked} + 1")
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([a-z_]+)/.*$" "\\1" target "${line}")
      if(NOT DEFINED level_${target} OR target STREQUAL folder)
        continue()
      endif()
      if(target STREQUAL "server" OR (folder STREQUAL "server" AND NOT target STREQUAL "core")
         OR NOT level_${target} LESS level_${folder})
        file(RELATIVE_PATH name "${ROOT}" "${source}")
        list(APPEND violations "${name} (${folder}) includes ${target}/: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "includes against the folder order:\n  ${text}")
endif()
message(STATUS "${checked} files follow the folder order")
