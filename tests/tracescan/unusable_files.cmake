# Runs a tool that reads the environment; each unusable file is named once on stderr.
execute_process(COMMAND ${TOOL} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
foreach(expected
    "TarnUtil: cannot write the TARN_TRACE file /nonexistent-dir/trace.txt: No such file or directory; trace is off\n"
    "kvsenv: cannot read the KVS_CONFIG file /nonexistent-dir/kvs.conf: No such file or directory\n")
  string(FIND "${err}" "${expected}" first)
  string(FIND "${err}" "${expected}" last REVERSE)
  if(first EQUAL -1 OR NOT first EQUAL last)
    message(FATAL_ERROR "expected once on stderr: ${expected}stderr was:\n${err}")
  endif()
endforeach()
