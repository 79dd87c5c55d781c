# Data description: descriptors and fields, field attributes, header and
# value mapping, value validation.
list(APPEND TARNSRVC_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/descriptor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/descutil.cpp
  ${CMAKE_CURRENT_LIST_DIR}/attributes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/header.cpp
  ${CMAKE_CURRENT_LIST_DIR}/validate.cpp)
