# The training run of the profile-guided build (cmake -P): runs the
# instrumented benchmark on a shortened "si" and a perft, then copies each
# object's profile to the place where the optimised compile of the same
# source looks for it.
#   TRAINER       the instrumented vorn-bench
#   TRAINING_DIR  object directory of the instrumented library
#   USE_DIR       object directory of the optimised library
#   STAMP         written when the profile is complete
file(GLOB_RECURSE stale "${TRAINING_DIR}/*.gcda")
if(stale)
  file(REMOVE ${stale})
endif()
foreach(run "si;3" "perft;5")
  execute_process(COMMAND "${TRAINER}" ${run} RESULT_VARIABLE result OUTPUT_QUIET)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "profile training \"vorn-bench ${run}\" failed: ${result}")
  endif()
endforeach()
file(GLOB_RECURSE profiles RELATIVE "${TRAINING_DIR}" "${TRAINING_DIR}/*.gcda")
if(NOT profiles)
  message(FATAL_ERROR "profile training wrote no profile under ${TRAINING_DIR}")
endif()
foreach(profile ${profiles})
  # Objects of sources outside a target's directory sit under "__/".
  string(REGEX REPLACE "^(__/)+" "" name "${profile}")
  configure_file("${TRAINING_DIR}/${profile}" "${USE_DIR}/${name}" COPYONLY)
endforeach()
file(TOUCH "${STAMP}")
