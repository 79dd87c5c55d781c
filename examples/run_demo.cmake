# Runs the example application on a fresh copy of the demo data, through
# the demo router, so the data it starts from never changes:
#   cmake -DDEMO=<tarndemo> -DDATA=<demo data dir> -DWORK=<copy dir> [-DKEEP=ON]
#         [-DLAUNCHER="valgrind --error-exitcode=99"] -P run_demo.cmake
# The copy is made anew on every run and removed afterwards unless KEEP is
# on. Fails when the application exits with a nonzero status.
foreach(var DEMO DATA WORK)
  if(NOT ${var})
    message(FATAL_ERROR "run_demo.cmake: ${var} is not set")
  endif()
endforeach()
if(NOT EXISTS ${DATA}/nodes/DEMO.db)
  message(FATAL_ERROR "run_demo.cmake: ${DATA} holds no demo node; build the target demo_data")
endif()

file(REMOVE_RECURSE ${WORK})
file(COPY ${DATA}/ DESTINATION ${WORK})
set(ENV{TARN_DATA_DIR} ${WORK})
set(ENV{DEMO_ROUTER} ON)
separate_arguments(launcher UNIX_COMMAND "${LAUNCHER}")
execute_process(COMMAND ${launcher} ${DEMO} RESULT_VARIABLE status)
if(NOT KEEP)
  file(REMOVE_RECURSE ${WORK})
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${DEMO} failed: ${status}")
endif()
