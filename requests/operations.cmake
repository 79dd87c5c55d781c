# Remote requests, second layer: action requests, routing and the item,
# collection and list operations built on them.
list(APPEND TARNSRVC_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/action.cpp
  ${CMAKE_CURRENT_LIST_DIR}/action_request.cpp
  ${CMAKE_CURRENT_LIST_DIR}/route.cpp
  ${CMAKE_CURRENT_LIST_DIR}/route_answers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/itemops.cpp
  ${CMAKE_CURRENT_LIST_DIR}/itemops_collections.cpp
  ${CMAKE_CURRENT_LIST_DIR}/itemops_lists.cpp)
