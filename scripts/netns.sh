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
# Outgoing connections take their local ports from the Windows dynamic range, as on the
# program's own machines, so that thousands of closed connections lingering in TIME_WAIT
# never occupy the fixed ports the program and the tests listen on (41000+, 45777-45778,
# 47777+). Linux's default range (32768-60999) covers them all.
echo "49152 65535" > /proc/sys/net/ipv4/ip_local_port_range 2>/dev/null || true
exec "$@"
