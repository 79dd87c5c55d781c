#!/usr/bin/env bash
# Layers call downward only: no object file of a layer of libTarnSrvc
# refers to a function that a higher layer defines. Arguments: one file per
# layer, lowest first, each listing that layer's object files (separated by
# ';' or newlines); CTest runs it as layers_call_downward_only.
set -euo pipefail
status=0
layers=("$@")
for ((i = 0; i < ${#layers[@]}; ++i)); do
  mapfile -t objects < <(tr ';' '\n' <"${layers[i]}" | sed '/^$/d')
  wanted=$(nm -u --format=just-symbols "${objects[@]}" | sort -u)
  for ((j = i + 1; j < ${#layers[@]}; ++j)); do
    mapfile -t higher < <(tr ';' '\n' <"${layers[j]}" | sed '/^$/d')
    defined=$(nm --defined-only --extern-only --format=just-symbols "${higher[@]}" | sort -u)
    upward=$(comm -12 <(echo "$wanted") <(echo "$defined"))
    if [ -n "$upward" ]; then
      echo "$(basename "${layers[i]}" .objects) calls up into $(basename "${layers[j]}" .objects):" $upward
      status=1
    fi
  done
done
[ $status -eq 0 ] && echo "every layer calls downward only"
exit $status
