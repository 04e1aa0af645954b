#!/usr/bin/env bash
# End-to-end runs of the real Quillnet.exe under Wine. Called by run_wine.sh inside the
# test's private network namespace and X display.
#  1. Three copies on one host (one Wine prefix), driven by e2e_driver.exe's scenarios.
#  2. Three copies on three network hosts (namespaces joined by a bridge, one Wine
#     prefix each, since a prefix's sockets live in its wineserver's namespace), driven
#     step by step with e2e_driver.exe's command mode: real broadcast between hosts.
#     qnsend.exe on one of them and the native qnsend on a fourth, Linux host page them.
#     A sealed copy then pages a sealed native engine on the Linux host and is paged by
#     it and by both sealed qnsends.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
root=${QN_BUILD_ROOT:-$top/build}
[ "${QN_IN_NETNS:-}" = "1" ] || { echo "run_e2e.sh must run inside scripts/netns.sh" >&2; exit 2; }
export WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
driver_dir=$root/win
status=0

if [ -z "${QN_E2E_LAN_ONLY:-}" ]; then
  echo "--- e2e: three copies on one host"
  export WINEPREFIX=$root/wine-test
  "$top/scripts/wine_prefix.sh" "$WINEPREFIX" || exit 1
  wine "$driver_dir/e2e_driver.exe" --gtest_brief=1 || status=1
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  unset WINEPREFIX
fi

echo "--- e2e: three copies on three hosts of a simulated LAN"
tag=$$
hosts=(qn-e2e-a-$tag qn-e2e-b-$tag qn-e2e-c-$tag)
bridge=qnbr$tag
cleanup() {
  for i in 0 1 2; do
    WINEPREFIX=$root/wine-lan-$i ip netns exec "${hosts[$i]}" wineserver -k 2>/dev/null
    ip netns del "${hosts[$i]}" 2>/dev/null
  done
  [ -n "${node_pid:-}" ] && kill "$node_pid" 2>/dev/null
  ip netns del "qn-e2e-linux-$tag" 2>/dev/null
  ip link del "$bridge" 2>/dev/null
}
trap cleanup EXIT
ip link add "$bridge" type bridge && ip link set "$bridge" up
for i in 0 1 2; do
  h=${hosts[$i]}
  ip netns add "$h"
  ip link add "qv$i-$tag" type veth peer name eth0 netns "$h"
  ip link set "qv$i-$tag" master "$bridge" up
  ip netns exec "$h" ip addr add "10.79.0.$((i + 10))/24" dev eth0
  ip netns exec "$h" ip link set eth0 up
  ip netns exec "$h" ip link set lo up
  ip netns exec "$h" "$top/scripts/wine_prefix.sh" "$root/wine-lan-$i" || exit 1
done

on() {  # on HOST_INDEX driver-command-args...
  local i=$1; shift
  WINEPREFIX=$root/wine-lan-$i ip netns exec "${hosts[$i]}" wine "$driver_dir/e2e_driver.exe" cli "$@"
}
check() {  # check DESCRIPTION command...
  local what=$1; shift
  if "$@" >/dev/null; then echo "ok: $what"; else echo "FAILED: $what"; status=1; fi
}
work='Z:'$(echo "$root/e2e-lan" | tr '/' '\\')
names=(front op1 lab)
users=("Front Desk" "Dr Adams" "Lab")
rooms=("Reception" "Op 1" "Lab")
pids=()
for i in 0 1 2; do
  on $i launch "$work-$i" "${names[$i]}" "${users[$i]}" "${rooms[$i]}" 47900 47901 >"$root/launch-$tag.pid" 2>/dev/null
  pid=$(tr -d '\r\n' <"$root/launch-$tag.pid")
  pids+=("$pid")
  [ -n "$pid" ] || { echo "FAILED: launching ${names[$i]}"; status=1; }
done
for i in 0 1 2; do check "host $i sees two rooms" on $i wait-caption "${pids[$i]}" "Online rooms (2)" 30000; done
rows=$(on 0 print-rooms "${pids[0]}" | tr -d '\r' | sed '/^$/d')
if [ "$rows" = $'Dr Adams  —  Op 1\nLab' ]; then echo "ok: row texts on host 0"
else echo "FAILED: row texts on host 0: $rows"; status=1; fi

on 0 send-text "${pids[0]}" "Across the bridge" >/dev/null
check "typed message delivered to both hosts" on 0 wait-log "${pids[0]}" "Across the bridge   ✓ delivered (2/2)" 15000
check "received on host 1" on 1 wait-log "${pids[1]}" "Front Desk (Reception):  Across the bridge" 10000
check "received on host 2" on 2 wait-log "${pids[2]}" "Front Desk (Reception):  Across the bridge" 10000

on 1 flag "${pids[1]}" 1 >/dev/null
check "flag banner on host 0" on 0 wait-banner "${pids[0]}" "⚑   Op 1   —   Blue" 10000
check "flag line on host 2" on 2 wait-log "${pids[2]}" "⚑ Blue FLAG from Dr Adams (Op 1)" 10000

# The paging loop across the bridge: Op 1's Blue stays raised on every board until Front
# Desk clears it; an EMERG page is acknowledged with F11 and the sender learns who saw it;
# a copy started later sees a raised flag within one heartbeat.
for i in 0 1 2; do check "Blue stays on host $i's board" on $i wait-board "${pids[$i]}" "Op 1  —  Blue  (just now)" 5000; done
on 0 board-clear "${pids[0]}" 0 >/dev/null
check "Front Desk's clear is delivered" on 0 wait-log "${pids[0]}" "You → Op 1:  clear ⚑ Blue   ✓ delivered (1/1)" 10000
check "Op 1 says who cleared it" on 1 wait-log "${pids[1]}" "⚑ Blue cleared by Front Desk (Reception)" 10000
for i in 0 1 2; do check "Blue goes from host $i's board" on $i wait-board-count "${pids[$i]}" 0 5000; done
on 0 quick "${pids[0]}" 9 >/dev/null
check "EMERG reaches Op 1" on 1 wait-log "${pids[1]}" "Front Desk (Reception):  » EMERG" 10000
sleep 1.2
on 1 f11 "${pids[1]}" >/dev/null
check "Front Desk's log says who saw it" on 0 wait-log "${pids[0]}" "✓ seen by Dr Adams (Op 1):  » EMERG" 10000
on 2 f11 "${pids[2]}" >/dev/null
on 1 flag "${pids[1]}" 0 >/dev/null
check "Op 1's Red on the Lab's board" on 2 wait-board "${pids[2]}" "Op 1  —  Red" 5000
check "the Lab exits" on 2 exit "${pids[2]}"
on 2 launch "$work-2" "${names[2]}" "${users[2]}" "${rooms[2]}" 47900 47901 >"$root/launch-$tag.pid" 2>/dev/null
pids[2]=$(tr -d '\r\n' <"$root/launch-$tag.pid")
check "the restarted Lab sees Op 1's Red within one heartbeat" on 2 wait-board "${pids[2]}" "Op 1  —  Red" 1500
check "the Lab sees both rooms again" on 2 wait-caption "${pids[2]}" "Online rooms (2)" 10000

# qnsend.exe beside a Quillnet.ini of its own on the lab's host (sharing the discovery port
# with the lab's copy), and the native qnsend on a Linux host of the same LAN, page the
# Windows desks; the pages show in their logs.
robot=$root/e2e-qnsend
mkdir -p "$robot"
cp "$driver_dir/qnsend.exe" "$robot/"
printf '[identity]\r\nuser = Lab robot\r\nroom = Lab bench\r\n[network]\r\ndiscovery_port = 47900\r\nheartbeat_ms = 500\r\n' \
  >"$robot/Quillnet.ini"
qnsend_exe() {  # qnsend_exe ARGS...: on host 2; exit code in qrc, output in q.out / q.err
  WINEPREFIX=$root/wine-lan-2 ip netns exec "${hosts[2]}" wine "$robot/qnsend.exe" "$@" \
    >"$robot/q.out" 2>"$robot/q.err"; qrc=$?
}
expect() {  # expect DESCRIPTION EXIT_CODE q.out|q.err PATTERN
  if [ "$qrc" = "$2" ] && grep -qE "$4" "$robot/$3"; then echo "ok: $1"; return 0; fi
  echo "FAILED: $1 (exit $qrc, wanted $2)"; sed 's/^/    /' "$robot/q.out" "$robot/q.err"; status=1
}
qnsend_exe --to reception "Centrifuge run finished"
expect "qnsend.exe pages Reception by room name" 0 q.out '^✓ delivered \(1/1\)'
check "the page shows in Front Desk's log" on 0 wait-log "${pids[0]}" "Lab robot (Lab bench):  Centrifuge run finished" 10000
qnsend_exe --list
expect "qnsend.exe lists the rooms" 0 q.out $'^Dr Adams\tOp 1\t10\.79\.0\.11\t47901'
qnsend_exe --to Kitchen "Anyone?"
expect "qnsend.exe: an unknown room exits 3 and lists the rooms" 3 q.err '^  Front Desk \(Reception\)'
qnsend_exe --flag Pink
expect "qnsend.exe: an unknown flag is a usage error" 64 q.err 'no flag named "Pink"'
qnsend_exe --ini 'Z:\nonexistent\Quillnet.ini' hello
expect "qnsend.exe: an unreadable --ini is a settings error" 78 q.err 'cannot read the settings file'
# Sealed: a fourth copy, on host 1 under a site key (on the default ports, where a sealed
# native engine runs on the Linux host), and the sealed qnsends of both systems page it;
# it and the native engine page each other: CNG against libcrypto both ways.
wait_file() {  # wait_file DESCRIPTION FILE PATTERN SECONDS
  local waited=0
  while ! grep -qE "$3" "$2" 2>/dev/null; do
    sleep 0.1; waited=$((waited + 1))
    if [ $waited -ge $(($4 * 10)) ]; then echo "FAILED: $1"; sed 's/^/    /' "$2"; status=1; return 1; fi
  done
  echo "ok: $1"
}
sealed_step() {
  local key=2f1e0d3c4b5a69788796a5b4c3d2e1f00f1e2d3c4b5a69788796a5b4c3d2e1f0
  local node=${QN_LAN_NODE:-$root/asan/lan_node} spid
  if [ ! -x "$node" ]; then echo "FAILED: no lan_node at $node"; status=1; return; fi
  on 1 launch "$work-sealed" triage "Sealed Desk" "Triage" 45777 45778 "[security]" "site_key = $key" \
    >"$root/launch-$tag.pid" 2>/dev/null
  spid=$(tr -d '\r\n' <"$root/launch-$tag.pid")
  [ -n "$spid" ] || { echo "FAILED: launching the sealed copy"; status=1; return; }
  rm -f "$robot/node.in"; mkfifo "$robot/node.in"
  ip netns exec "$linux" "$node" --user "Linux bench" --room Bench --key "$key" <"$robot/node.in" \
    >"$robot/node.log" 2>&1 &
  node_pid=$!
  exec 9>"$robot/node.in"
  check "sealed: the sealed copy hears only the sealed Linux engine" \
    on 1 wait-caption "$spid" "Online rooms (1)" 30000
  wait_file "sealed: the Linux engine hears the sealed copy" "$robot/node.log" '^PEERS Sealed Desk@10\.79\.0\.11:45778$' 20
  qrc=0
  ip netns exec "$linux" "$native_qnsend" --ini "$robot/Quillnet.ini" --discovery-port 45777 --site-key "$key" \
    --to triage "Sealed sample ready" >"$robot/q.out" 2>"$robot/q.err" || qrc=$?
  expect "sealed: the native qnsend pages the sealed copy" 0 q.out '^✓ delivered \(1/1\)'
  check "sealed: its page shows in the sealed copy's log" \
    on 1 wait-log "$spid" "Lab robot (Lab bench):  Sealed sample ready" 10000
  printf '[identity]\r\nuser = Lab robot\r\nroom = Lab bench\r\n[network]\r\ndiscovery_port = 45777\r\nheartbeat_ms = 500\r\n[security]\r\nsite_key = %s\r\n' \
    "$key" >"$robot/sealed.ini"
  qnsend_exe --ini 'Z:'$(echo "$robot/sealed.ini" | tr '/' '\\') --to "sealed desk" "Sealed from Windows"
  expect "sealed: qnsend.exe with the key in its settings pages the sealed copy" 0 q.out '^✓ delivered \(1/1\)'
  check "sealed: its page shows in the sealed copy's log" \
    on 1 wait-log "$spid" "Lab robot (Lab bench):  Sealed from Windows" 10000
  check "sealed: the sealed copy's page is acknowledged by the Linux engine" \
    on 1 send-text "$spid" "To the Linux bench" "To the Linux bench   ✓ delivered (1/1)" 15000
  wait_file "sealed: the Linux engine receives it" "$robot/node.log" \
    '^RECEIVED MSG\|Sealed Desk\|Triage\|To the Linux bench\|10\.79\.0\.11\|' 10
  echo "send MSG From the Linux bench" >&9
  wait_file "sealed: the sealed copy acknowledges the Linux engine's page" "$robot/node.log" '^RESULT 1/1$' 15
  check "sealed: the Linux engine's page shows in the sealed copy's log" \
    on 1 wait-log "$spid" "Linux bench (Bench):  From the Linux bench" 10000
  echo quit >&9
  exec 9>&-
  wait "$node_pid" 2>/dev/null
  check "sealed: the sealed copy exits with code 0" on 1 exit "$spid"
}
native_qnsend=${QN_QNSEND:-$root/asan/qnsend}
if [ -x "$native_qnsend" ]; then
  linux=qn-e2e-linux-$tag
  ip netns add "$linux"
  ip link add "qvl-$tag" type veth peer name eth0 netns "$linux"
  ip link set "qvl-$tag" master "$bridge" up
  ip netns exec "$linux" ip addr add 10.79.0.20/24 dev eth0
  ip netns exec "$linux" ip link set eth0 up
  ip netns exec "$linux" ip link set lo up
  qrc=0
  ip netns exec "$linux" "$native_qnsend" --ini "$robot/Quillnet.ini" --to "op 1,LAB" --quick 9 \
    >"$robot/q.out" 2>"$robot/q.err" || qrc=$?
  expect "a Linux host pages two Windows desks" 0 q.out '^✓ delivered \(2/2\)'
  check "the quick message shows in Op 1's log" on 1 wait-log "${pids[1]}" "Lab robot (Lab bench):  » Come Here" 10000
  check "and in the Lab's log" on 2 wait-log "${pids[2]}" "Lab robot (Lab bench):  » Come Here" 10000
  sealed_step
  ip netns del "$linux"
else
  echo "FAILED: no native qnsend at $native_qnsend"; status=1
fi

# Cut the lab from the LAN: a page to everyone waits on it, then counts it as lost.
ip link set "qv2-$tag" down
check "pending status while the lab cannot be reached" \
  on 0 send-text "${pids[0]}" "Is the lab there?" "Is the lab there?   …" 1000
check "partial delivery once the lab times out" on 0 wait-log "${pids[0]}" "Is the lab there?   ⚠ 1/2 delivered" 15000
check "the lab leaves host 0's list after the timeout" on 0 wait-caption "${pids[0]}" "Online rooms (1)" 20000
check "the lab leaves host 1's list after the timeout" on 1 wait-caption "${pids[1]}" "Online rooms (1)" 20000
ip link set "qv2-$tag" up
check "the lab comes back" on 0 wait-caption "${pids[0]}" "Online rooms (2)" 20000

check "Op 1 exits with code 0" on 1 exit "${pids[1]}"
check "its goodbye removes it from host 0 at once" on 0 wait-caption "${pids[0]}" "Online rooms (1)" 2500
for i in 0 2; do on $i exit "${pids[$i]}" >/dev/null; done
exit $status
