# tarnadm_bench runs the tarnadm binary next to the library's own walk.
find_package(SQLite3 REQUIRED)
target_link_libraries(tarnadm_bench PRIVATE SQLite::SQLite3)
target_compile_definitions(tarnadm_bench PRIVATE
  TARNADM_BIN="$<TARGET_FILE:tarnadm>" TARNADM_DEMO_DATA="${PROJECT_BINARY_DIR}/demo-data")
add_dependencies(tarnadm_bench tarnadm TarnObjs TarnStrings TarnRpdb kvsenv kvscomn demo_data)
