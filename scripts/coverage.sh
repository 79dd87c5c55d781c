#!/usr/bin/env bash
# Line and branch coverage of the library and the modules by the whole test
# suite, with clang's source-based coverage (llvm-cov, part of the clang
# toolchain the build already uses). Builds in build-cov/, runs every test,
# prints the per-file table and the totals, then lists the functions of the
# library and modules that no test ran.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
llvm_version=$(clang --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -1)
cov=llvm-cov-$llvm_version
profdata=llvm-profdata-$llvm_version
command -v "$cov" >/dev/null || cov=llvm-cov
command -v "$profdata" >/dev/null || profdata=llvm-profdata

flags="-fprofile-instr-generate -fcoverage-mapping"
cmake -S . -B build-cov -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DCMAKE_BUILD_TYPE=Debug -DTARN_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags" -DCMAKE_MODULE_LINKER_FLAGS="$flags" \
  >/dev/null
cmake --build build-cov -j "$(nproc)"
rm -rf build-cov/profiles
mkdir -p build-cov/profiles
# The memcheck runs are left out: valgrind slows them down and adds nothing here.
# A failing test still leaves its counts: the figures are printed either way,
# and the failures are named at the end.
tests_ok=true
LLVM_PROFILE_FILE="$PWD/build-cov/profiles/%p-%m.profraw" \
  ctest --test-dir build-cov -j "$(nproc)" -E memcheck --output-on-failure >build-cov/tests.log 2>&1 || tests_ok=false
"$profdata" merge -sparse build-cov/profiles/*.profraw -o build-cov/tests.profdata

objects=(build-cov/lib/libTarnSrvc.so)
for m in build-cov/lib/lib*.so; do
  [ "$m" = build-cov/lib/libTarnSrvc.so ] || objects+=(-object "$m")
done
sources=(util foundation records describe requests objects logon modules)
"$cov" report -instr-profile=build-cov/tests.profdata -show-branch-summary "${objects[@]}" "${sources[@]}"

echo
echo "Functions of the library and modules never run:"
"$cov" export -instr-profile=build-cov/tests.profdata -skip-expansions "${objects[@]}" "${sources[@]}" |
  python3 -c '
import json, subprocess, sys
never = []
for f in json.load(sys.stdin)["data"][0]["functions"]:
    if f["count"] == 0:
        never.append((f["filenames"][0], f["name"]))
names = subprocess.run(["c++filt"], input="\n".join(n for _, n in never), capture_output=True, text=True).stdout.split("\n")
root = sys.argv[1] + "/"
for (path, _), name in sorted(zip(never, names)):
    print("  %s: %s" % (path.replace(root, ""), name))
print("%d functions never run" % len(never))
' "$PWD"
if ! $tests_ok; then
  echo
  echo "Some tests failed in the coverage build (full log: build-cov/tests.log):"
  grep -E '^\s+[0-9]+ - ' build-cov/tests.log || true
  exit 1
fi
