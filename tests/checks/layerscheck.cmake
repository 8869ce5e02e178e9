# cmake -DCHECK=layers.cmake -DWORK=DIR -P layerscheck.cmake
# Shows that the include-layer check (CHECK) fails on planted sources that
# include a higher layer, by its name or by climbing there with "../", and on
# a climb down into a lower layer, and that it passes clean sources, a climb
# within a layer's own folder among them.
file(REMOVE_RECURSE ${WORK})

# Plants the files of `case` under WORK/case: pairs of a path and its
# include line, and runs the check over them with the layers low and high.
function(check case expect_pass expected)
  set(sources ${WORK}/${case})
  set(files ${ARGN})
  while(files)
    list(POP_FRONT files path line)
    file(WRITE ${sources}/${path} "${line}\n")
  endwhile()
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DSOURCES=${sources} "-DLAYERS=low;high" -P ${CHECK}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(expect_pass AND NOT result EQUAL 0)
    message(FATAL_ERROR "The check refused the clean case ${case}:\n${output}")
  endif()
  if(NOT expect_pass AND (result EQUAL 0 OR NOT output MATCHES "${expected}"))
    message(FATAL_ERROR "The check let the case ${case} through:\n${output}")
  endif()
endfunction()

check(named NO "low/a.cpp includes high/b.h, a layer above its own"
  low/a.cpp "#include \"high/b.h\"" high/b.h "")
check(climbUp NO "low/a.cpp includes ../high/b.h, climbing out of its own folder"
  low/a.cpp "#include \"../high/b.h\"" high/b.h "")
check(climbUpSpaced NO "low/deep/a.cpp includes ../../high/b.h, climbing out"
  low/deep/a.cpp "  #  include \"../../high/b.h\"" high/b.h "")
check(climbDown NO "high/b.cpp includes ../low/a.h, climbing out of its own folder"
  high/b.cpp "#include \"../low/a.h\"" low/a.h "")
check(clean YES ""
  low/a.h "" low/deep/c.cpp "#include \"../a.h\"" high/b.cpp "#include \"low/a.h\""
  main.cpp "#include \"high/b.h\"")
message(STATUS "Named and climbing includes of another layer refused, clean sources passed")
