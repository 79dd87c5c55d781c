# Object framework: registry, objects and interfaces, dispatch, generic object.
list(APPEND TARNSRVC_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/object.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dispatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/generic.cpp
  ${CMAKE_CURRENT_LIST_DIR}/generic_actions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/generic_queries.cpp)
