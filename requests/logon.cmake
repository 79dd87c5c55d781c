# Remote requests: logon and logoff.
list(APPEND TARNSRVC_SOURCES ${CMAKE_CURRENT_LIST_DIR}/logon.cpp)
