# Remote requests, first layer: request info, results and messages, SMC records.
list(APPEND TARNSRVC_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/info.cpp
  ${CMAKE_CURRENT_LIST_DIR}/result.cpp
  ${CMAKE_CURRENT_LIST_DIR}/smc.cpp)
