# Runs the example application against the test cluster's node DEMO through
# TarnRout, with nothing set but the data directory and the password file;
# the map reaches DEMO as the read-only role, so the application logs on as
# the administrator for its changes:
#   cmake -DDEMO=<tarndemo> -DCLUSTER=<pgnodes dir> -DREGISTRY=<tarnobjs.dat> -DWORK=<dir> -P run_remote_demo.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${REGISTRY} ${CLUSTER}/nodes.conf DESTINATION ${WORK})
set(ENV{TARN_DATA_DIR} ${WORK})
set(ENV{PGPASSFILE} ${CLUSTER}/pgpass)
unset(ENV{DEMO_ROUTER})
set(ENV{TARN_PASSWORD} tarn-admin-pw)
execute_process(COMMAND ${DEMO} --logon tarn_admin RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${DEMO} failed: ${status}")
endif()
