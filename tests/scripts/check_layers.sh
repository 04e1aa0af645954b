#!/usr/bin/env bash
# Includes run one way, from the entry down: app → alert → ui → net → config, history →
# base (qnsend and setup, the installer's custom actions, are entries of their own and stand
# on net, config, history and base). Lists every
# include from a folder into one above it (or beside it, for net and config's peers) and
# fails when there is any.
set -uo pipefail
cd "$(dirname "$0")/../../src"
rank() {
  case $1 in
    app) echo 6 ;; alert) echo 5 ;; ui) echo 4 ;; net) echo 3 ;; config|history) echo 2 ;; base) echo 1 ;;
    qnsend|setup) echo 4 ;; *) echo 0 ;;
  esac
}
status=0
while IFS=: read -r file _ include; do
  from=${file%%/*}
  to=$(sed -n 's/.*#include "\([a-z]*\)\/.*/\1/p' <<<"$include")
  [ -z "$to" ] || [ "$to" = "$from" ] || [ "$to" = res ] && continue
  if [ "$(rank "$to")" -ge "$(rank "$from")" ] || { { [ "$from" = qnsend ] || [ "$from" = setup ]; } && [ "$to" = ui ]; }; then
    echo "upward include: $file includes $to/ ($include)"
    status=1
  fi
done < <(grep -rn '#include "[a-z]*/' --include='*.h' --include='*.cpp' .| sed 's#^\./##')
exit $status
