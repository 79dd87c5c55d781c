# Foundation: call frame, library entry, string arrays, keyed tables, environment.
list(APPEND TARNSRVC_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/frame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/entry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/strarray.cpp
  ${CMAKE_CURRENT_LIST_DIR}/keyed.cpp
  ${CMAKE_CURRENT_LIST_DIR}/env.cpp)
