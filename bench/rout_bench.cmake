# rout_bench starts a throwaway PostgreSQL cluster (scripts/pgnodes.sh) and
# compares TarnRout with a bare libpq loop on it.
find_package(PostgreSQL REQUIRED)
target_link_libraries(rout_bench PRIVATE PostgreSQL::PostgreSQL)
target_compile_definitions(rout_bench PRIVATE PGNODES="${PROJECT_SOURCE_DIR}/scripts/pgnodes.sh"
  TARNMKNODE="$<TARGET_FILE:tarnmknode>" SQL_DIR="${PROJECT_SOURCE_DIR}/data")
add_dependencies(rout_bench TarnRout kvsenv tarnmknode)
target_compile_options(rout_bench PRIVATE -Wno-mismatched-new-delete)  # its counting operator new pairs with free()
