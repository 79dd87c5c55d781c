# Shared build settings: warnings, sanitizers, run paths and the helpers that
# declare the libraries, the layers of libTarnSrvc, run-time modules and
# executables.

set(TARN_WARNINGS -Wall -Wextra -Wshadow -Wformat=2 -Wno-format-nonliteral)
if(TARN_WERROR)
  list(APPEND TARN_WARNINGS -Werror)
endif()
if(TARN_SANITIZE OR TARN_FUZZ)
  set(TARN_SANITIZE_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_compile_options(${TARN_SANITIZE_FLAGS})
  add_link_options(${TARN_SANITIZE_FLAGS})
endif()
if(TARN_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
add_compile_options(-fvisibility=hidden $<$<COMPILE_LANGUAGE:CXX>:-fvisibility-inlines-hidden>)
# RUNPATH rather than RPATH with every linker, so LD_LIBRARY_PATH can override it.
add_link_options(-Wl,--enable-new-dtags)

# Installed binaries find the libraries relative to themselves, so that a
# prefix can be moved; build-tree binaries keep the build paths.
file(RELATIVE_PATH tarn_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set(CMAKE_INSTALL_RPATH "$ORIGIN/${tarn_bin_to_lib}")

# The public headers: include/ and the generated version header.
set(TARN_PUBLIC_INCLUDES
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
  $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/include>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/tarnsrvc>)

# tarn_target_defaults(target): warnings for a target of this project.
function(tarn_target_defaults target)
  target_compile_options(${target} PRIVATE ${TARN_WARNINGS})
endfunction()

# tarn_shared_library(target EXPORTS map): one of the two public libraries:
# versioned SONAME, only the names of the export map exported, run path to
# its own directory once installed.
function(tarn_shared_library target)
  cmake_parse_arguments(LIB "" "EXPORTS" "" ${ARGN})
  tarn_target_defaults(${target})
  target_include_directories(${target} PUBLIC ${TARN_PUBLIC_INCLUDES})
  target_link_options(${target} PRIVATE -Wl,--version-script=${LIB_EXPORTS})
  if(NOT TARN_SANITIZE AND NOT TARN_FUZZ AND NOT TARN_TSAN)
    # With sanitizers the run-time library comes from the executable.
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
  set_target_properties(${target} PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
    LINK_DEPENDS ${LIB_EXPORTS}
    INSTALL_RPATH "$ORIGIN")
endfunction()

# tarn_layer(name [BELOW layer...] SOURCES ...): one layer of libTarnSrvc as
# an object library. Its private include root holds only the folders of the
# layer itself and of the layers BELOW it, so an include that reaches up a
# layer does not compile.
function(tarn_layer name)
  cmake_parse_arguments(LAYER "" "" "BELOW;SOURCES" ${ARGN})
  set(root ${PROJECT_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${root})
  foreach(dir ${name} ${LAYER_BELOW} contract)
    if(NOT EXISTS ${root}/${dir})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${dir} ${root}/${dir} SYMBOLIC)
    endif()
  endforeach()
  add_library(tarn_${name} OBJECT ${LAYER_SOURCES})
  tarn_target_defaults(tarn_${name})
  target_include_directories(tarn_${name} PRIVATE ${root} ${TARN_PUBLIC_INCLUDES})
  target_compile_definitions(tarn_${name} PRIVATE TARN_BUILDING_LIBRARY)
endfunction()

# The internal contract between the library and the modules it loads
# (contract/): include it as "contract/<header>".
add_library(tarn_contract INTERFACE)
target_include_directories(tarn_contract INTERFACE $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/layers/contract>)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/layers/contract)
if(NOT EXISTS ${PROJECT_BINARY_DIR}/layers/contract/contract)
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/contract ${PROJECT_BINARY_DIR}/layers/contract/contract SYMBOLIC)
endif()

# tarn_module(name sources...): a shared object loaded by name at run time,
# built as lib<name>.so next to libTarnUtil.so and installed in its
# tarnsrvc/ subdirectory (see TARN_INSTALL_MODULES in TarnInstall.cmake).
function(tarn_module name)
  add_library(${name} MODULE ${ARGN})
  set_target_properties(${name} PROPERTIES PREFIX "lib" SUFFIX ".so" INSTALL_RPATH "$ORIGIN/..")
  tarn_target_defaults(${name})
  target_include_directories(${name} PRIVATE ${TARN_PUBLIC_INCLUDES})
  set_property(GLOBAL APPEND PROPERTY TARN_INSTALL_MODULES ${name})
endfunction()

# tarn_executable(name sources...): a program of this project, installed
# under bin/ with the other tools (see TARN_INSTALL_PROGRAMS).
function(tarn_executable name)
  add_executable(${name} ${ARGN})
  tarn_target_defaults(${name})
  target_include_directories(${name} PRIVATE ${TARN_PUBLIC_INCLUDES})
  set_property(GLOBAL APPEND PROPERTY TARN_INSTALL_PROGRAMS ${name})
endfunction()
