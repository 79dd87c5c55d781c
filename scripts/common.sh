# Sourced by the scripts: the one configuration of build/ that demo.sh and
# test.sh share (same compilers and options, so running one after the other
# rebuilds nothing), and a build step that shows the compiler's errors.

# tarn_configure <build dir> [cmake options...]
tarn_configure() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ -DTARN_WERROR=ON "$@" >/dev/null
}

# tarn_build <build dir> [targets...]: quiet when it works, the build's own
# output when it fails.
tarn_build() {
  local dir=$1; shift
  local log="$dir/last-build.log"
  local targets=()
  (($#)) && targets=(--target "$@")
  if ! cmake --build "$dir" -j "$(nproc)" "${targets[@]}" >"$log" 2>&1; then
    grep -v '^\[[0-9]*/[0-9]*\] ' "$log" >&2 || cat "$log" >&2
    echo "build failed in $dir (full log: $log)" >&2
    return 1
  fi
}
