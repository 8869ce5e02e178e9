# Runs the libFuzzer target FUZZER for SECONDS on a fresh copy of the seeds
# in SEEDS, working in WORK (corpus/ and crashes/). Fails when the target
# reports a crash, a broken invariant, a sanitizer finding, a leak or a hang.
#   cmake -DFUZZER=... -DSEEDS=... -DWORK=... -DSECONDS=... -P runfuzzer.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/crashes")
file(COPY "${SEEDS}/" DESTINATION "${WORK}/corpus")
execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -timeout=10 -print_final_stats=1
          "-artifact_prefix=${WORK}/crashes/" "${WORK}/corpus"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${result}); its input is in ${WORK}/crashes/")
endif()
