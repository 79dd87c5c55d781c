# Runs Doxygen on DOXYFILE (cmake -DDOXYFILE=... -P doxygen.cmake): the
# command of the target `docs`. Fails, saying what to install, when Doxygen
# or Graphviz's dot is missing, and when Doxygen warns.
find_program(TARN_DOXYGEN doxygen)
find_program(TARN_DOT dot)
if(NOT TARN_DOXYGEN OR NOT TARN_DOT)
  message(FATAL_ERROR "The API reference needs Doxygen and Graphviz: "
    "apt-get install doxygen graphviz (scripts/setup.sh installs them).")
endif()
execute_process(COMMAND ${TARN_DOXYGEN} ${DOXYFILE} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Doxygen failed or warned (status ${status}): the API reference is incomplete.")
endif()
