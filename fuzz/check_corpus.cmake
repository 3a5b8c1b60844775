# Fails when the seeds make_corpus writes today differ from those committed
# in fuzz/corpus/, so a change to a writer cannot leave stale seeds behind.
# cmake -DMAKE_CORPUS=... -DOUT=... -DCORPUS=... -P check_corpus.cmake
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${MAKE_CORPUS} ${OUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "make_corpus failed: ${result}")
endif()
file(GLOB_RECURSE written RELATIVE ${OUT} ${OUT}/*)
list(LENGTH written count)
if(count EQUAL 0)
  message(FATAL_ERROR "make_corpus wrote nothing")
endif()
foreach(seed ${written})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${seed} ${CORPUS}/${seed}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "fuzz/corpus/${seed} is not what make_corpus writes now; "
                        "rebuild the fuzz_corpus target and commit the result")
  endif()
endforeach()
