# Group objects: the group object in front of a generic object.
list(APPEND TARNSRVC_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/group.cpp
  ${CMAKE_CURRENT_LIST_DIR}/group_actions.cpp)
