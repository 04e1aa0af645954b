#!/usr/bin/env bash
# Runs a command inside a new private network namespace in which only loopback is up,
# so nothing it sends (broadcasts included) can leave this machine.
set -euo pipefail
if [ "${QN_IN_NETNS:-}" != "1" ]; then
  if [ "$(id -u)" -eq 0 ]; then
    exec unshare --net -- env QN_IN_NETNS=1 "$0" "$@"
  else
    exec unshare --map-root-user --net -- env QN_IN_NETNS=1 "$0" "$@"
  fi
fi
ip link set lo up
exec "$@"
