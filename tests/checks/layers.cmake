# cmake -DSOURCES=DIR -DLAYERS=a;b;c -P layers.cmake
# Fails when a file under DIR includes a header of a layer after its own in
# LAYERS (lowest first). A file's layer is the first folder of its path under
# DIR; files directly in DIR (the entry point) stand above every layer. A
# folder that is in no layer fails too, so that a new one gets its place in
# the order.
if(NOT SOURCES OR NOT LAYERS)
  message(FATAL_ERROR "usage: cmake -DSOURCES=DIR -DLAYERS=a;b;c -P layers.cmake")
endif()
list(LENGTH LAYERS top)

file(GLOB_RECURSE files RELATIVE ${SOURCES} ${SOURCES}/*.h ${SOURCES}/*.cpp)
list(SORT files)
set(faults)
foreach(file IN LISTS files)
  if(file MATCHES "^([^/]+)/")
    list(FIND LAYERS ${CMAKE_MATCH_1} own)
    if(own LESS 0)
      list(APPEND faults "${file}: the folder ${CMAKE_MATCH_1} is in no layer")
      continue()
    endif()
  else()
    set(own ${top})
  endif()
  file(STRINGS ${SOURCES}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^/\">]+/")
  foreach(line IN LISTS includes)
    string(REGEX MATCH "[\"<]([^/\">]+)/[^\">]*" header "${line}")
    list(FIND LAYERS ${CMAKE_MATCH_1} layer)
    if(layer GREATER own)
      string(SUBSTRING "${header}" 1 -1 header)
      list(APPEND faults "${file} includes ${header}, a layer above its own")
    endif()
  endforeach()
endforeach()

list(LENGTH files checked)
if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Layers, lowest first: ${LAYERS}\n  ${text}")
endif()
message(STATUS "${checked} files include no layer above their own (${LAYERS})")
