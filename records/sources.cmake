# Records and filters: items, collections, deltas, filters and criteria,
# filter matching, record files.
list(APPEND TARNSRVC_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/item.cpp
  ${CMAKE_CURRENT_LIST_DIR}/collection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sort.cpp
  ${CMAKE_CURRENT_LIST_DIR}/delta.cpp
  ${CMAKE_CURRENT_LIST_DIR}/filter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/criteria.cpp
  ${CMAKE_CURRENT_LIST_DIR}/match.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rdw.cpp)
