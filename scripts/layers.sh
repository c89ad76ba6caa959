#!/usr/bin/env bash
# Checks that the POSIX platform's includes run one way: a file includes only from its own folder and the
# layers below it, the two front ends not from each other, and no module file lies loose beside the layers.
set -euo pipefail
cd "$(dirname "$0")/../platform/posix"
layers=(base system resources drawing windowing controls terminal headless)
rank() {
  local i
  for i in "${!layers[@]}"; do
    if [[ ${layers[$i]} == "$1" ]]; then
      # The two front ends stand side by side at the edge.
      if [[ $1 == headless ]]; then echo 6; else echo "$i"; fi
      return
    fi
  done
  echo -1
}
status=0
for loose in *.h *.cpp; do
  [[ -e $loose ]] || continue
  echo "layers: $loose lies loose beside the layer folders"
  status=1
done
for folder in */; do
  folder=${folder%/}
  own=$(rank "$folder")
  if ((own < 0)); then
    echo "layers: $folder is not a known layer"
    status=1
    continue
  fi
  while IFS=: read -r file _ included; do
    target=$(sed -E 's#.*"platform/posix/([^/"]+)/.*#\1#' <<<"$included")
    [[ $target == "$folder" ]] && continue
    other=$(rank "$target")
    if ((other < 0 || other >= own)); then
      echo "layers: $file includes $target, which is not below $folder"
      status=1
    fi
  done < <(grep -Hn '#include "platform/posix/' "$folder"/* 2>/dev/null || true)
done
if ((status == 0)); then echo "layers: every include runs downward"; fi
exit $status
