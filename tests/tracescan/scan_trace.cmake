# Runs the suites with TARN_TRACE=${TRACE}, then looks for the passwords they
# log on with or validate in the trace file.
file(REMOVE ${TRACE})
file(REMOVE_RECURSE ${WORK}/logon-data ${WORK}/rpdb-data ${WORK}/e2e-data)

function(run_traced binary filter)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env TARN_TRACE=${TRACE} ${ARGN} ${binary} --gtest_filter=${filter}
                  WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${binary} ${filter} failed with TARN_TRACE on:\n${out}")
  endif()
endfunction()

run_traced(${DESCRIBE} "ValidateTest.*")
run_traced(${REQUESTS} "SecretTest.*:ActionTest.*")
run_traced(${LOGON} "Logon.*" DEMO_ROUTER=YES TARN_DATA_DIR=${WORK}/logon-data TARN_MODULE_PATH=${DEMO_MODULES})
run_traced(${LOGON} "RpdbLogon.*" DEMO_ROUTER=ON KV_ROUTER_DEBUG=ON TARN_DATA_DIR=${WORK}/rpdb-data)
run_traced(${E2E} "*" DEMO_ROUTER=ON TARN_DATA_DIR=${WORK}/e2e-data)

file(READ ${TRACE} trace)
string(FIND "${trace}" "********" masked)
if(masked EQUAL -1)
  message(FATAL_ERROR "no masked value in ${TRACE}: the password checks did not run")
endif()
foreach(secret "pw-secret" "Hunter2x" "s3cr3t" "Tr4ce, me not!" "Wr0ng guess" "PASSWORD EQ demo")
  string(FIND "${trace}" "${secret}" at)
  if(NOT at EQUAL -1)
    string(SUBSTRING "${trace}" ${at} 120 context)
    message(FATAL_ERROR "password \"${secret}\" in the trace: ${context}")
  endif()
endforeach()
# An echoed credential shows as PASSWORD  EQ  "********" and nothing else.
string(REGEX MATCH "PASSWORD[^\n]*EQ +\"[^*][^\n]*" echoed "${trace}")
if(echoed)
  message(FATAL_ERROR "a password echoed in the trace: ${echoed}")
endif()
message(STATUS "no password in the trace")
