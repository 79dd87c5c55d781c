# rpdb_bench loads the demo router and compares it with plain SQLite.
find_package(SQLite3 REQUIRED)
target_link_libraries(rpdb_bench PRIVATE SQLite::SQLite3)
add_dependencies(rpdb_bench TarnRpdb kvsenv)
