# Data description: date checks through the date service, string tables.
list(APPEND TARNSRVC_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/date.cpp
  ${CMAKE_CURRENT_LIST_DIR}/strtable.cpp)
