#!/usr/bin/env bash
# Checks that each core folder includes only itself and the folders below it, so the
# module graph stays acyclic:
#   platform <- session <- codecs <- input <- align <- stack <- wavelet <- files <- finish <- batch
# and that no core folder uses Qt.
set -u
src=${1:-$(dirname "$0")/../src}
order=(platform session codecs input align stack wavelet files finish batch)
fail=0
for i in "${!order[@]}"; do
  mod=${order[$i]}
  [ -d "$src/$mod" ] || continue
  allowed=" ${order[*]:0:$((i + 1))} "
  while IFS= read -r line; do
    file=${line%%:*}
    dep=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$line")
    if [[ "$allowed" != *" $dep "* ]]; then
      echo "module graph: $file includes $dep/, which is above $mod"
      fail=1
    fi
  done < <(grep -rHE '^#include "[a-z_]+/' "$src/$mod")
  if grep -rlE '^#include <Q' "$src/$mod" >/dev/null; then
    echo "module graph: $mod uses Qt: $(grep -rlE '^#include <Q' "$src/$mod" | tr '\n' ' ')"
    fail=1
  fi
done
[ $fail -eq 0 ] && echo "module graph: ok"
exit $fail
