# cmake -DFUZZER=<program> -DCORPUS=<seed folder> -DSCRATCH=<folder> -DSECONDS=<n> -P run_fuzzer.cmake
foreach(var FUZZER CORPUS SCRATCH SECONDS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_fuzzer.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH}/artifacts)
file(COPY ${CORPUS}/ DESTINATION ${SCRATCH}/corpus)

execute_process(
  COMMAND ${FUZZER} -max_total_time=${SECONDS} -print_final_stats=1
    -artifact_prefix=${SCRATCH}/artifacts/ ${SCRATCH}/corpus
  WORKING_DIRECTORY ${SCRATCH}
  RESULT_VARIABLE result)

file(GLOB findings ${SCRATCH}/artifacts/*)
if(NOT result EQUAL 0 OR findings)
  message(FATAL_ERROR "fuzzer exit: ${result}; findings: ${findings}")
endif()
