# Shared build settings: warnings, sanitizers and the helpers that declare
# libraries, run-time modules and tests.

set(TARN_WARNINGS -Wall -Wextra -Werror -Wshadow -Wformat=2 -Wno-format-nonliteral)
if(TARN_SANITIZE OR TARN_FUZZ)
  set(TARN_SANITIZE_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_compile_options(${TARN_SANITIZE_FLAGS})
  add_link_options(${TARN_SANITIZE_FLAGS})
endif()
add_compile_options(-fvisibility=hidden)
# RUNPATH rather than RPATH with every linker, so LD_LIBRARY_PATH can override the build tree.
add_link_options(-Wl,--enable-new-dtags)

# tarn_target_defaults(target): warnings and the public include directory.
function(tarn_target_defaults target)
  target_compile_options(${target} PRIVATE ${TARN_WARNINGS})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/include)
endfunction()

# tarn_module(name sources...): a shared object loaded by name at run time.
# Modules are built as lib<name>.so next to libTarnUtil.so.
function(tarn_module name)
  add_library(${name} MODULE ${ARGN})
  set_target_properties(${name} PROPERTIES PREFIX "lib" SUFFIX ".so")
  tarn_target_defaults(${name})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
endfunction()
