#!/usr/bin/env bash
# Simulated LAN: two hosts on one bridged subnet and a third on another subnet behind a
# router (this namespace), one engine each. Checks discovery across hosts, delivery with
# acknowledgements, expiry of a host cut from the bridge, BYE, a seed address reaching
# the host that broadcasts do not reach, and qnsend (built beside lan_node) paging them.
# Usage (inside scripts/netns.sh): lan_test.sh PATH/TO/lan_node
set -uo pipefail
if [ "${QN_IN_NETNS:-}" != "1" ]; then
  echo "lan_test.sh must run inside scripts/netns.sh (private network namespace)" >&2
  exit 2
fi
if [ "${QN_LAN_MOUNTS:-}" != "1" ]; then
  # A private mount namespace keeps the host names under /run/netns to this test.
  exec unshare --mount -- env QN_LAN_MOUNTS=1 "$0" "$@"
fi
node=$(readlink -f "$1")
qnsend=$(dirname "$node")/qnsend
mount --make-rprivate / 2>/dev/null
mkdir -p /run/netns && mount -t tmpfs tmpfs /run/netns || exit 1
work=$(mktemp -d)
pids=()

cleanup() {
  for fd in 11 12 13; do eval "exec $fd>&-" 2>/dev/null; done
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  for h in h1 h2 h3; do ip netns del "$h" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
check() {  # check DESCRIPTION FILE PATTERN [SECONDS]
  local what=$1 file=$2 pattern=$3 limit=${4:-15} waited=0
  while ! grep -qE "$pattern" "$file" 2>/dev/null; do
    sleep 0.1; waited=$((waited + 1))
    if [ $waited -ge $((limit * 10)) ]; then
      echo "FAIL: $what (no '$pattern' in $(basename "$file"))"; sed 's/^/    /' "$file"
      failures=$((failures + 1)); return 1
    fi
  done
  echo "ok: $what"
}
last_peers() { grep '^PEERS' "$work/$1.log" | tail -1; }
check_last_peers() {  # check_last_peers DESCRIPTION HOST EXPECTED [SECONDS]
  local what=$1 host=$2 expected=$3 limit=${4:-15} waited=0
  while [ "$(last_peers "$host")" != "PEERS $expected" ]; do
    sleep 0.1; waited=$((waited + 1))
    if [ $waited -ge $((limit * 10)) ]; then
      echo "FAIL: $what (last: '$(last_peers "$host")', wanted 'PEERS $expected')"; failures=$((failures + 1)); return 1
    fi
  done
  echo "ok: $what"
}
say() { local n=${1#h}; echo "$2" >&$((10 + n)); }

# The router: this namespace, with a bridge for subnet 10.77.0.0/24 and a direct link
# to the third host on 10.77.1.0/24. Routers do not pass broadcasts on.
sysctl -qw net.ipv4.ip_forward=1
ip link add qnlan0 type bridge && ip link set qnlan0 up
ip addr add 10.77.0.254/24 dev qnlan0
for i in 1 2 3; do
  ip netns add h$i
  ip link add qnv$i type veth peer name eth0 netns h$i
  ip -n h$i link set lo up
  ip -n h$i link set eth0 up
done
for i in 1 2; do
  ip link set qnv$i master qnlan0 up
  ip -n h$i addr add 10.77.0.$i/24 dev eth0
  ip -n h$i route add default via 10.77.0.254
done
ip link set qnv3 up
ip addr add 10.77.1.254/24 dev qnv3
ip -n h3 addr add 10.77.1.3/24 dev eth0
ip -n h3 route add default via 10.77.1.254

start_node() {  # start_node HOST ARGS...
  local host=$1; shift
  mkfifo "$work/$host.in"
  ip netns exec "$host" "$node" "$@" <"$work/$host.in" >"$work/$host.log" 2>&1 &
  pids+=($!)
  eval "exec $((10 + ${host#h}))>\"$work/$host.in\""
}
# ann (h1) forgets silent peers only after a minute, so only a BYE removes one quickly;
# bea (h2) forgets after 1.5 s. ann names cid's address as a seed.
start_node h1 --user ann --timeout 60000 --seed 10.77.1.3 --seed not-an-address
start_node h2 --user bea
start_node h3 --user cid

check_last_peers "ann hears bea across the bridge" h1 "bea@10.77.0.2:45778"
check_last_peers "bea hears ann across the bridge" h2 "ann@10.77.0.1:45778"
check_last_peers "cid hears ann only through the seed address" h3 "ann@10.77.0.1:45778"
sleep 1
check_last_peers "broadcasts do not reach across the router" h2 "ann@10.77.0.1:45778"

say h1 "send MSG hello bea"
check "bea receives ann's message" "$work/h2.log" '^RECEIVED MSG\|ann\|ann\|hello bea\|10\.77\.0\.1\|000000$'
check "ann's message is acknowledged" "$work/h1.log" '^RESULT 1/1$'
say h2 "send FLAG blue"
check "ann receives bea's flag with her own colour" "$work/h1.log" '^RECEIVED FLAG\|bea\|bea\|blue\|10\.77\.0\.2\|DC1E1E$'
check "bea's flag is acknowledged" "$work/h2.log" '^RESULT 1/1$'
say h3 "send QUICK Will Call"
check "ann receives cid's quick message across the router" "$work/h1.log" '^RECEIVED QUICK\|cid\|cid\|Will Call\|10\.77\.1\.3\|000000$'
check "cid's quick message is acknowledged" "$work/h3.log" '^RESULT 1/1$'

# qnsend on bea's host shares the discovery port with her engine and never announces itself.
printf '[identity]\nuser = Lab robot\nroom = Lab bench\n[network]\nheartbeat_ms = 200\n' >"$work/robot.ini"
qn() {  # qn HOST ARGS...: qnsend there; exit code in qrc, output in q.out and q.err
  local host=$1; shift
  ip netns exec "$host" "$qnsend" --ini "$work/robot.ini" "$@" >"$work/q.out" 2>"$work/q.err"; qrc=$?
}
expect() {  # expect DESCRIPTION EXIT_CODE q.out|q.err PATTERN
  if [ "$qrc" = "$2" ] && grep -qE "$4" "$work/$3"; then echo "ok: $1"; return 0; fi
  echo "FAIL: $1 (exit $qrc, wanted $2; no '$4' in $3)"; sed 's/^/    /' "$work/q.out" "$work/q.err"
  failures=$((failures + 1))
}
qn h2 --to ANN "Sample 12 is ready"
expect "qnsend pages ann by name across the bridge" 0 q.out '^✓ delivered \(1/1\)$'
check "ann receives the page from qnsend's identity" "$work/h1.log" \
  '^RECEIVED MSG\|Lab robot\|Lab bench\|Sample 12 is ready\|10\.77\.0\.2\|000000$'
qn h2 --list
expect "--list shows the rooms heard on its host" 0 q.out $'^ann\tann\t10\.77\.0\.1\t45778$'
expect "--list includes the engine sharing its port" 0 q.out $'^bea\tbea\t10\.77\.0\.2\t45778$'
qn h2 --list --json
expect "--list --json" 0 q.out '^\{"rooms":\[\{"user":"ann","room":"ann","address":"10\.77\.0\.1","port":45778,"flags":\[\]\},\{"user":"bea"'
check_last_peers "qnsend never joins anyone's rooms list" h1 "bea@10.77.0.2:45778"
qn h1 --to kitchen,bea "Anyone there?"
expect "an unknown room fails with exit 3" 3 q.err '^qnsend: no such room: kitchen$'
expect "and lists the rooms online" 3 q.err '^  bea$'
qn h1 --json --to kitchen "Anyone there?"
expect "an unknown room in JSON" 3 q.out '^\{"error":"no such room","unknown":\["kitchen"\],"rooms":\[.*"user":"bea"'
qn h1 --discovery-port 46999 --wait-ms 300 --flag red
expect "nobody online on another discovery port: exit 3" 3 q.err '^qnsend: nobody online$'
# bea is heard, then frozen before the page goes out: her kernel accepts the connection
# but no acknowledgement comes.
ip netns exec h2 "$qnsend" --ini "$work/robot.ini" --wait-ms 3000 --quick 4 >"$work/q.out" 2>"$work/q.err" &
qpid=$!
sleep 1
kill -STOP "${pids[1]}"
wait "$qpid"; qrc=$?
kill -CONT "${pids[1]}"
check_last_peers "bea, thawed, hears ann again" h2 "ann@10.77.0.1:45778"
expect "a frozen room makes a partial delivery: exit 1" 1 q.out '^⚠ 1/2 delivered$'
expect "the room not reached is named" 1 q.err '^qnsend: not delivered to bea \(bea\) at 10\.77\.0\.2:45778$'
check "ann receives the quick message" "$work/h1.log" '^RECEIVED QUICK\|Lab robot\|Lab bench\|Will Call\|'
qn h1 --quick 11
expect "a quick message the settings lack is a usage error" 64 q.err 'quick messages 1 to 10'
qn h1 --to
expect "a missing value is a usage error" 64 q.err "^Try 'qnsend --help'"
qn h1 --ini "$work/missing.ini" hello
expect "an unreadable --ini file is a settings error" 78 q.err 'cannot read the settings file'

ip link set qnv2 nomaster
check_last_peers "bea, cut from the bridge, lets ann expire" h2 ""
ip link set qnv2 master qnlan0
check_last_peers "bea hears ann again once reconnected" h2 "ann@10.77.0.1:45778"

say h2 "quit"
check "bea stops" "$work/h2.log" '^STOPPED$'
check_last_peers "bea's BYE removes her from ann's list at once" h1 ""
say h1 "quit"
say h3 "quit"
check "ann stops" "$work/h1.log" '^STOPPED$'
check "cid stops" "$work/h3.log" '^STOPPED$'

# Sealed run: two hosts under one site key page each other (and qnsend pages them) while
# the bridge is captured; the open host, seeded with a sealed one's address, is refused
# with a notice on both sides. Nothing readable may cross the wire.
key=5b0c1d2e3f405162738495a6b7c8d9eaf00112233445566778899aabbccddeef
rm -f "$work"/h?.in
tcpdump -i any -U -w "$work/sealed.pcap" 'udp or tcp' 2>"$work/tcpdump.log" &
capture=$!
pids+=($capture)
sleep 1
start_node h1 --user saltmarsh --room Lighthouse --key "$key" --timeout 60000 --seed 10.77.1.3
start_node h2 --user samphire --room Boathouse --key "$key"
start_node h3 --user oystercatcher --seed 10.77.0.1
check_last_peers "sealed: saltmarsh hears samphire" h1 "samphire@10.77.0.2:45778"
check_last_peers "sealed: samphire hears saltmarsh" h2 "saltmarsh@10.77.0.1:45778"
say h1 "send MSG Mrs Periwinkle is here for her half past ten"
check "sealed: samphire receives the page" "$work/h2.log" '^RECEIVED MSG\|saltmarsh\|Lighthouse\|Mrs Periwinkle is here for her half past ten\|10\.77\.0\.1\|000000$'
check "sealed: the page is acknowledged" "$work/h1.log" '^RESULT 1/1$'
say h2 "send FLAG red"
check "sealed: saltmarsh receives the flag" "$work/h1.log" '^RECEIVED FLAG\|samphire\|Boathouse\|red\|10\.77\.0\.2\|1E1EDC$'
check "sealed: the flag is acknowledged" "$work/h2.log" '^RESULT 1/1$'
# qnsend on samphire's host: with the key (given or from its settings file) it hears and
# pages the sealed rooms; with another key or none it hears nobody and says why.
printf '[identity]\nuser = Lab robot\nroom = Lab bench\n[network]\nheartbeat_ms = 200\n[security]\nsite_key = %s\n' \
  "$key" >"$work/sealed.ini"
qn h2 --site-key "$key" --to LIGHTHOUSE "Cuttlefish sample is ready"
expect "sealed qnsend pages saltmarsh" 0 q.out '^✓ delivered \(1/1\)$'
check "sealed: saltmarsh receives qnsend's page" "$work/h1.log" \
  '^RECEIVED MSG\|Lab robot\|Lab bench\|Cuttlefish sample is ready\|10\.77\.0\.2\|000000$'
qn h2 --ini "$work/sealed.ini" --list
expect "sealed qnsend --list (key from its settings file)" 0 q.out $'^saltmarsh\tLighthouse\t10\.77\.0\.1\t45778$'
expect "sealed qnsend --list shows the engine sharing its port" 0 q.out $'^samphire\tBoathouse\t10\.77\.0\.2\t45778$'
qn h2 --site-key "${key%?}0" --to saltmarsh "Cuttlefish from the wrong key"
expect "qnsend with another key sees nobody: exit 3" 3 q.err '^qnsend: nobody online$'
expect "and says the rooms have a different key" 3 q.err \
  'runs Quillnet with a different site key; it cannot page this room or be paged\.$'
qn h2 --to saltmarsh "Cuttlefish in the open"
expect "open qnsend sees nobody on the sealed hosts: exit 3" 3 q.err '^qnsend: nobody online$'
expect "and says the rooms have a site key" 3 q.err '^qnsend: 10\.77\.0\.[12] runs Quillnet with a site key; set the same key to page it\.$'
qn h2 --site-key "${key:1}" --list
expect "an invalid --site-key is a settings error" 78 q.err '^qnsend: The site key given with --site-key is not valid \(64 hexadecimal digits expected\)\.$'
check "sealed: saltmarsh notices the open host" "$work/h1.log" '^NOTICE 10\.77\.1\.3 runs Quillnet without the site key; it cannot page this room or be paged\.$'
check "open: oystercatcher notices the sealed host" "$work/h3.log" '^NOTICE 10\.77\.0\.1 runs Quillnet with a site key; set the same key to page it\.$'
for h in h1 h2 h3; do say $h "quit"; done
check "sealed hosts stop" "$work/h2.log" '^STOPPED$'
sleep 1
kill -INT $capture 2>/dev/null; wait $capture 2>/dev/null
if [ "$(grep -c '^NOTICE' "$work/h1.log")" != 1 ]; then echo "FAIL: one notice only"; failures=$((failures + 1)); fi
if grep -qE 'Cuttlefish (from the wrong key|in the open)' "$work/h1.log" "$work/h2.log"; then
  echo "FAIL: a qnsend without the key reached a sealed host"; failures=$((failures + 1))
fi
if grep -q '^PEERS .' "$work/h3.log" || grep -q 'oystercatcher@' "$work/h1.log"; then
  echo "FAIL: the open and the sealed hosts listed each other"; failures=$((failures + 1))
else
  echo "ok: the open and the sealed hosts never list each other"
fi
packets=$(tcpdump -r "$work/sealed.pcap" 2>/dev/null | grep -c 10.77.0.2)
if [ "${packets:-0}" -lt 10 ]; then
  echo "FAIL: the capture holds the sealed run ($packets packets)"; failures=$((failures + 1))
else
  echo "ok: the capture holds the sealed run ($packets packets)"
fi
# The open host's own announcements carry its name in clear; the sealed ones may not.
leaks=$(grep -a -o -E 'saltmarsh|samphire|Lighthouse|Boathouse|Periwinkle|half past|Cuttlefish|Lab robot' \
  "$work/sealed.pcap" | sort | uniq -c)
if [ -n "$leaks" ]; then
  echo "FAIL: readable text on the wire:"; echo "$leaks"; failures=$((failures + 1))
else
  echo "ok: no user, room or message text of the sealed hosts on the wire"
fi
grep -a -q oystercatcher "$work/sealed.pcap" && echo "ok: the capture does see the open host's name"

# Across the two crypto modules: with QN_WINE_ENGINE_TESTS naming the Windows
# engine_tests.exe (and an X display for Wine), a sealed engine under Wine on h2 (CNG)
# and a native one on h1 (libcrypto) page each other.
if [ -n "${QN_WINE_ENGINE_TESTS:-}" ]; then
  prefix=${QN_WINE_LAN_PREFIX:-$(dirname "$QN_WINE_ENGINE_TESTS")/../wine-lan-sealed}
  ip netns exec h2 "$(dirname "$0")/../../scripts/wine_prefix.sh" "$prefix" || failures=$((failures + 1))
  rm -f "$work"/h?.in
  start_node h1 --user native --room Native --key "$key" --timeout 60000
  ip netns exec h2 env WINEPREFIX="$prefix" WINEDEBUG=-all QN_INTEROP_KEY="$key" \
    wine "$QN_WINE_ENGINE_TESTS" --gtest_filter='SealedInterop.*' >"$work/wine.log" 2>&1 &
  wine_run=$!
  check_last_peers "interop: the native engine hears the Windows engine" h1 "winroom@10.77.0.2:45778" 90
  say h1 "send MSG from native"
  check "interop: the native engine receives the Windows engine's page" "$work/h1.log" '^RECEIVED MSG\|winroom\|Wine\|from windows\|10\.77\.0\.2\|000000$' 60
  check "interop: the Windows engine acknowledges the native page" "$work/h1.log" '^RESULT 1/1$'
  if wait $wine_run && grep -q '^\[  PASSED  \] 1 test' "$work/wine.log"; then
    echo "ok: interop: the Windows engine received and had its page acknowledged"
  else
    echo "FAIL: interop: the Windows side"; sed 's/^/    /' "$work/wine.log" | tail -20; failures=$((failures + 1))
  fi
  WINEPREFIX="$prefix" ip netns exec h2 wineserver -k 2>/dev/null
  say h1 "quit"
fi

if [ $failures -gt 0 ]; then echo "LAN test: $failures failed"; exit 1; fi
echo "LAN test: all passed"
