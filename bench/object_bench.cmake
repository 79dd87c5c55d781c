# object_bench loads the demo router and the sample object library, and
# compares them with plain SQLite.
find_package(SQLite3 REQUIRED)
target_link_libraries(object_bench PRIVATE SQLite::SQLite3)
add_dependencies(object_bench TarnRpdb TarnObjs TarnStrings kvsenv)
