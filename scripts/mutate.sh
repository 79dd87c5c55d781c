#!/usr/bin/env bash
# Mutation run: applies deliberate faults from a fault list to a scratch copy
# of the tree, one at a time, rebuilds, runs the test suite and reports for
# each fault whether a test caught it.
#
#   scripts/mutate.sh [options]
#     --list              print the faults and whether each still applies to
#                         the working tree, then exit
#     --only NAME         run only this fault (repeatable, or NAME,NAME,...)
#     --jobs N            parallel build and test jobs (default 2)
#     --time-limit SECS   stop starting new faults SECS after the first one
#                         (default none); the rest are reported as skipped
#     --test-timeout SECS kill a suite run after SECS, counted as caught (a fault
#                         that hangs a test); default three times the unchanged
#                         tree's run, at least 120 s (600 s with --no-baseline)
#     --exclude REGEX     ctest -E: tests to leave out of every run
#     --faults FILE       the fault list (default scripts/mutations.txt)
#     --report FILE       where the report goes besides stdout
#                         (default build/mutation-report.txt)
#     --scratch DIR       build in DIR and keep it for the next run (files that
#                         changed are copied again, the build stays incremental);
#                         by default a temporary folder that is removed on exit
#     --no-baseline       skip the check that the unchanged tree passes
#     --compare REPORT    a report of an earlier run (repeatable): after the
#                         run, lists every fault caught there that this run ran
#                         and did not catch, and exits 1 when there is one
#
# Fault list format: entries separated by blank lines, '#' starts a comment.
#   name:    short-name
#   file:    path/from/the/project/root.cpp
#   find:    exact text of one line or part of it, found once in the file
#   replace: the text that replaces it (may be empty)
# The text after "find: " and "replace: " is taken literally up to the end of
# the line.
#
# Results: caught (a test failed), missed (every test passed), build-broken
# (the fault does not compile), stale (the file or snippet is gone, or the
# snippet is no longer unique: the source moved on and the entry needs
# updating), skipped (time limit reached). The exit status is 1 when a fault
# was missed, 2 when the run could not start, 0 otherwise.
#
# The scratch build is g++ RelWithDebInfo without benchmarks, install rules
# (so without the install test, which checks packaging rather than
# behaviour) or -Werror, so that a fault which only draws a warning is still
# tested.

# The whole script is one block, read before it runs: editing the file during
# a run cannot change the run.
{
set -uo pipefail
# Snippets hold '&': keep it literal in ${var/pattern/replacement}.
shopt -u patsub_replacement 2>/dev/null || true
caller_dir=$PWD
cd "$(dirname "$0")/.."
project=$PWD

faults_file=scripts/mutations.txt
report=build/mutation-report.txt
jobs=2
time_limit=0
test_timeout=0
exclude=""
scratch=""
keep_scratch=0
baseline=1
list_only=0
only=()
compare=()

usage() { sed -n '2,/^$/p' "$0" | sed 's/^# \{0,1\}//'; exit "${1:-0}"; }
die() { echo "mutate.sh: $*" >&2; exit 2; }
# from_caller PATH: a path given on the command line, read from where the
# script was started.
from_caller() { case $1 in /*) echo "$1" ;; *) echo "$caller_dir/$1" ;; esac; }

while (($#)); do
  case $1 in
    --list) list_only=1 ;;
    --only) [ $# -ge 2 ] || die "--only needs a name"; IFS=, read -ra names <<<"$2"; only+=("${names[@]}"); shift ;;
    --jobs) [[ ${2:-} =~ ^[1-9][0-9]*$ ]] || die "--jobs needs a number"; jobs=$2; shift ;;
    --time-limit) [[ ${2:-} =~ ^[0-9]+$ ]] || die "--time-limit needs seconds"; time_limit=$2; shift ;;
    --test-timeout) [[ ${2:-} =~ ^[1-9][0-9]*$ ]] || die "--test-timeout needs seconds"; test_timeout=$2; shift ;;
    --exclude) [ $# -ge 2 ] || die "--exclude needs a regex"; exclude=$2; shift ;;
    --faults) [ $# -ge 2 ] || die "--faults needs a file"; faults_file=$(from_caller "$2"); shift ;;
    --report) [ $# -ge 2 ] || die "--report needs a file"; report=$(from_caller "$2"); shift ;;
    --scratch) [ $# -ge 2 ] || die "--scratch needs a folder"; scratch=$(from_caller "$2"); keep_scratch=1; shift ;;
    --no-baseline) baseline=0 ;;
    --compare) [ $# -ge 2 ] || die "--compare needs a report"; compare+=("$(from_caller "$2")"); shift ;;
    -h|--help) usage 0 ;;
    *) echo "mutate.sh: unknown option $1" >&2; usage 2 ;;
  esac
  shift
done
[ -f "$faults_file" ] || die "no fault list $faults_file"

# ---- the fault list -------------------------------------------------------

f_name=() f_file=() f_find=() f_replace=()

# add_fault: appends the entry being read, after checking it is complete.
add_fault() {
  [ -z "$name$file$find$replace_set" ] && return 0
  [ -n "$name" ] || die "$faults_file:$entry_line: entry without a name"
  [ -n "$file" ] || die "$faults_file:$entry_line: fault $name has no file"
  [ -n "$find" ] || die "$faults_file:$entry_line: fault $name has no find text"
  [ -n "$replace_set" ] || die "$faults_file:$entry_line: fault $name has no replace line"
  local n
  for n in "${f_name[@]}"; do
    [ "$n" != "$name" ] || die "$faults_file:$entry_line: fault name $name used twice"
  done
  f_name+=("$name") f_file+=("$file") f_find+=("$find") f_replace+=("$replace")
}

read_faults() {
  local line lineno=0
  name="" file="" find="" replace="" replace_set="" entry_line=1
  while IFS= read -r line || [ -n "$line" ]; do
    lineno=$((lineno + 1))
    case $line in
      '#'*) ;;
      '') add_fault; name="" file="" find="" replace="" replace_set="" entry_line=$((lineno + 1)) ;;
      'name: '*) name=${line#name: } ;;
      'file: '*) file=${line#file: } ;;
      'find: '*) find=${line#find: } ;;
      'replace: '*) replace=${line#replace: }; replace_set=1 ;;
      'replace:') replace=""; replace_set=1 ;;
      *) die "$faults_file:$lineno: cannot read: $line" ;;
    esac
  done <"$faults_file"
  add_fault
}
read_faults

# locate_fault i root: reads fault i's file under root into $text. Returns 1
# with the reason in $detail when the file or the snippet is gone or the
# snippet is not unique in the file.
locate_fault() {
  local i=$1 path=$2/${f_file[$1]} rest
  [ -f "$path" ] || { detail="no file"; return 1; }
  text=$(<"$path")
  case $text in *"${f_find[i]}"*) ;; *) detail="snippet not found"; return 1 ;; esac
  rest=${text#*"${f_find[i]}"}
  case $rest in *"${f_find[i]}"*) detail="snippet not unique"; return 1 ;; esac
  detail=""
}

# --list: every fault with its file, and whether it still applies to the
# working tree.
if ((list_only)); then
  stale=0
  for i in "${!f_name[@]}"; do
    if locate_fault "$i" "$project"; then state=ok; else state=stale; stale=$((stale + 1)); fi
    printf '%-5s %-44s %-36s %s\n' "$state" "${f_name[i]}" "${f_file[i]}" "$detail"
  done
  echo "${#f_name[@]} faults, $stale stale"
  exit 0
fi

selected=()
if ((${#only[@]})); then
  for n in "${only[@]}"; do
    found=""
    for i in "${!f_name[@]}"; do
      [ "${f_name[i]}" = "$n" ] && { selected+=("$i"); found=1; }
    done
    [ -n "$found" ] || die "no fault named $n (see --list)"
  done
else
  selected=("${!f_name[@]}")
fi

# ---- the scratch copy -----------------------------------------------------

if [ -z "$scratch" ]; then
  scratch=$(mktemp -d /tmp/tarn-mutate.XXXXXX) || die "cannot make a scratch folder"
fi
case $(realpath -m "$scratch") in
  "$project"|"$project"/*) die "the scratch folder must lie outside the project" ;;
esac
src=$scratch/src
bld=$scratch/build
current_file=""   # the file that holds a fault right now, restored on exit

cleanup() {
  [ -n "$current_file" ] && cp "$scratch/original" "$src/$current_file" 2>/dev/null
  ((keep_scratch)) || rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# sync_tree: copies the project's files (tracked and new, not ignored: no
# build folders) into the scratch copy. A file whose content is unchanged is
# left alone, so a kept scratch build stays incremental and a file changed
# since is newer than its object and gets rebuilt.
sync_tree() {
  local f
  mkdir -p "$src"
  while IFS= read -r -d '' f; do
    [ -f "$f" ] || continue
    if ! cmp -s "$f" "$src/$f"; then
      mkdir -p "$src/$(dirname "$f")" && cp "$f" "$src/$f" || die "cannot copy $f"
    fi
  done < <(git ls-files -z --cached --others --exclude-standard)
}

# build: incremental build of the scratch tree, its output in $1.
build() {
  cmake --build "$bld" -j "$jobs" >"$1" 2>&1
}

# run_tests: the suite, stopping at the first failure. Prints the failing
# tests' names; returns 0 when all pass, 1 when one fails, 124 on timeout.
run_tests() {
  local log=$scratch/ctest.log rc
  local args=(--test-dir "$bld" -j "$jobs" --stop-on-failure --no-tests=error)
  [ -n "$exclude" ] && args+=(-E "$exclude")
  # Without cost data ctest starts the tests in the order they are declared,
  # the quick unit tests first, so a caught fault stops the run early.
  rm -f "$bld/Testing/Temporary/CTestCostData.txt"
  timeout -k 10 "$test_timeout" ctest "${args[@]}" >"$log" 2>&1
  rc=$?
  ((rc == 0)) && return 0
  ((rc == 124 || rc == 137)) && { echo "timeout"; return 124; }
  sed -n 's/^[[:space:]]*[0-9]* - \([^ ]*\) (.*$/\1/p' "$log" | paste -sd, -
  return 1
}

echo "scratch copy in $scratch"
sync_tree
if [ ! -f "$bld/CMakeCache.txt" ]; then
  echo "configuring the scratch build"
  cmake -S "$src" -B "$bld" -G Ninja -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARN_WERROR=OFF -DTARN_BUILD_BENCH=OFF \
    -DTARN_INSTALL=OFF >"$scratch/configure.log" 2>&1 \
    || { cat "$scratch/configure.log" >&2; die "configuring the scratch build failed"; }
fi
echo "building the unchanged tree"
build "$scratch/build.log" || { tail -n 40 "$scratch/build.log" >&2; die "the unchanged tree does not build"; }
if ((baseline)); then
  echo "running the suite on the unchanged tree"
  suite_start=$SECONDS
  auto_timeout=$((test_timeout ? test_timeout : 3600))
  failed=$(test_timeout=$auto_timeout run_tests) \
    || die "the unchanged tree fails its tests ($failed); fix that first (log: $scratch/ctest.log)"
  suite_time=$((SECONDS - suite_start))
  echo "the suite passes in $suite_time s"
  ((test_timeout)) || test_timeout=$((3 * suite_time > 120 ? 3 * suite_time : 120))
fi
((test_timeout)) || test_timeout=600

# ---- one fault at a time --------------------------------------------------

# apply_fault i: writes fault i into its file in the scratch copy. Returns 1
# with the reason in $detail when the fault is stale.
apply_fault() {
  local i=$1 path=$src/${f_file[$1]}
  locate_fault "$i" "$src" || return 1
  cp "$path" "$scratch/original"
  current_file=${f_file[i]}
  printf '%s\n' "${text/"${f_find[i]}"/"${f_replace[i]}"}" >"$path"
}

restore_fault() {
  cp "$scratch/original" "$src/$current_file"
  current_file=""
}

mkdir -p "$(dirname "$report")"
: >"$report" || die "cannot write $report"
say() { printf '%s\n' "$*" | tee -a "$report"; }

declare -A count=([caught]=0 [missed]=0 [build-broken]=0 [stale]=0 [skipped]=0)
start=$SECONDS
say "# mutation run $(date -u '+%Y-%m-%d %H:%M UTC'), $(git rev-parse --short HEAD 2>/dev/null || echo '?'), ${#selected[@]} faults"
for i in "${selected[@]}"; do
  if ((time_limit && SECONDS - start >= time_limit)); then
    result=skipped detail="time limit"
  elif ! apply_fault "$i"; then
    result=stale
  else
    if ! build "$scratch/build.log"; then
      result=build-broken detail=""
    elif detail=$(run_tests); then
      result=missed detail=""
    else
      result=caught
    fi
    restore_fault
  fi
  count[$result]=$((count[$result] + 1))
  say "$(printf '%-13s %-40s %-40s %s' "$result" "${f_name[i]}" "${f_file[i]}" "$detail")"
done
say "# summary: caught ${count[caught]}, missed ${count[missed]}, build-broken ${count[build-broken]}, stale ${count[stale]}, skipped ${count[skipped]} of ${#selected[@]} faults in $((SECONDS - start)) s"
echo "report written to $report"
# compare_reports: faults an earlier report shows caught and this run ran
# without catching them.
lost=0
compare_reports() {
  local name result
  while read -r name; do
    result=$(awk -v n="$name" '$2 == n && $1 != "#" {print $1; exit}' "$report")
    [ -z "$result" ] && continue  # not part of this run
    [ "$result" = caught ] && continue
    say "# lost: $name was caught before, $result now"
    lost=$((lost + 1))
  done < <(awk '$1 == "caught" {print $2}' "${compare[@]}" | sort -u)
  say "# compared with ${compare[*]}: $lost fault(s) caught before and not now"
}
((${#compare[@]})) && compare_reports
((lost == 0)) || exit 1
((count[missed] == 0))
exit
}
