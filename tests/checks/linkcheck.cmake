# cmake -DCMAKE_DIR=DIR -DWORK=DIR -P linkcheck.cmake
# Shows that vidfolio_forbid_links (DIR/linkcheck.cmake) fails the configure
# step when a core library reaches Qt Gui through other libraries, publicly
# or through a static library's private link, and passes a clean one.
set(project ${CMAKE_CURRENT_LIST_DIR}/linkcheck)
file(REMOVE_RECURSE ${WORK})

function(configure case out_result out_output)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${project} -B ${WORK} -DCASE=${case}
            -DVIDFOLIO_CMAKE_DIR=${CMAKE_DIR}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(${out_result} ${result} PARENT_SCOPE)
  set(${out_output} "${output}" PARENT_SCOPE)
endfunction()

foreach(case public private)
  configure(${case} result output)
  if(result EQUAL 0 OR NOT output MATCHES "core must not link Qt6::Gui: core -> middle -> helper -> Qt6::Gui")
    message(FATAL_ERROR "The ${case} link to Qt Gui was not refused as expected:\n${output}")
  endif()
endforeach()
configure(clean result output)
if(NOT result EQUAL 0 OR NOT output MATCHES "link check passed")
  message(FATAL_ERROR "A core library without Qt Gui was refused:\n${output}")
endif()
message(STATUS "Qt Gui refused through public and private links, a clean library passed")
