#!/usr/bin/env bash
# Quillnet on a private simulated LAN: three network hosts (namespaces joined by a bridge),
# one copy of Quillnet.exe on each ("Front Desk", "Op 1", "Lab"), each in its own Wine
# desktop, and a fourth, Linux host without a window that pages with qnsend. A few pages go
# between them and screenshots are saved to out/demo/ (outside the tracked tree; the
# README's pictures in docs/ are refreshed from there on purpose only).
# With a display ($DISPLAY) the windows stay up until you press Enter; without one the
# demo runs on a virtual screen (Xvfb) and ends after the screenshots.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
root=${QN_BUILD_ROOT:-$top/build}

if [ "${QN_IN_NETNS:-}" != "1" ]; then
  exec "$top/scripts/netns.sh" "$0" "$@"
fi
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  if [ -z "${QN_DEMO_XVFB:-}" ]; then
    export QN_DEMO_XVFB=1
    exec xvfb-run -a -s "-screen 0 2790x800x24 -nolisten tcp" "$0" "$@"
  fi
fi
interactive=1
[ -n "${QN_DEMO_XVFB:-}" ] && interactive=0
[ -t 0 ] || interactive=0

export WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
driver=$root/win/e2e_driver.exe
qnsend=$top/out/qnsend
for f in "$driver" "$root/win/Quillnet.exe" "$qnsend"; do
  [ -f "$f" ] || { echo "demo: $f is missing; run 'make demo', which builds it" >&2; exit 1; }
done
shots=${QN_DEMO_SHOTS:-$top/out/demo}
mkdir -p "$shots"
tag=$$
hosts=(qn-demo-a-$tag qn-demo-b-$tag qn-demo-c-$tag)
linux=qn-demo-linux-$tag
bridge=qndemo$tag
names=(front op1 lab)
users=("Front Desk" "Dr Adams" "Lab")
rooms=("Reception" "Op 1" "Lab")
pids=()

cleanup() {
  for i in 0 1 2; do
    WINEPREFIX=$root/wine-demo-$i ip netns exec "${hosts[$i]}" wineserver -k 2>/dev/null
    ip netns del "${hosts[$i]}" 2>/dev/null
  done
  ip netns del "$linux" 2>/dev/null
  ip link del "$bridge" 2>/dev/null
}
trap cleanup EXIT

on() {  # on HOST_INDEX driver-command-args...
  local i=$1; shift
  WINEPREFIX=$root/wine-demo-$i ip netns exec "${hosts[$i]}" wine "$driver" cli "$@"
}
say() { printf '\n>>> %s\n' "$*"; }

say "Building a LAN of three Windows hosts (10.88.0.10-12) and a Linux host (10.88.0.20)"
ip link add "$bridge" type bridge && ip link set "$bridge" up
for i in 0 1 2; do
  h=${hosts[$i]}
  ip netns add "$h"
  ip link add "qd$i-$tag" type veth peer name eth0 netns "$h"
  ip link set "qd$i-$tag" master "$bridge" up
  ip netns exec "$h" ip addr add "10.88.0.$((i + 10))/24" dev eth0
  ip netns exec "$h" ip link set eth0 up
  ip netns exec "$h" ip link set lo up
  ip netns exec "$h" "$top/scripts/wine_prefix.sh" "$root/wine-demo-$i" 900x760 || exit 1
done

ip netns add "$linux"
ip link add "qdl-$tag" type veth peer name eth0 netns "$linux"
ip link set "qdl-$tag" master "$bridge" up
ip netns exec "$linux" ip addr add 10.88.0.20/24 dev eth0
ip netns exec "$linux" ip link set eth0 up
ip netns exec "$linux" ip link set lo up

seen=""
for i in 0 1 2; do
  say "Starting ${users[$i]} (room ${rooms[$i]}) on host $i"
  rm -rf "$root/demo-$i"  # a fresh history for every demo
  work='Z:'$(echo "$root/demo-$i" | tr '/' '\\')
  on $i launch "$work" "${names[$i]}" "${users[$i]}" "${rooms[$i]}" 45777 45778 >"$root/launch-$tag.pid" 2>/dev/null
  pid=$(tr -d '\r\n' <"$root/launch-$tag.pid")
  pids+=("$pid")
  # Put each host's Wine desktop side by side on the screen.
  for id in $(xdotool search --name "Wine desktop" 2>/dev/null); do
    case " $seen " in *" $id "*) continue ;; esac
    seen="$seen $id"
    xdotool windowmove "$id" $((i * 930)) 0 2>/dev/null
  done
done

say "Waiting until every copy sees the two others"
for i in 0 1 2; do on $i wait-caption "${pids[$i]}" "Online rooms (2)" 30000 >/dev/null || echo "  (host $i still waiting)"; done
import -window root "$shots/01-rooms.png"

say "Front Desk pages everyone: \"Mrs Patel is here for her 10:30\""
on 0 send-text "${pids[0]}" "Mrs Patel is here for her 10:30" >/dev/null
on 0 wait-log "${pids[0]}" "✓ delivered (2/2)" 15000 >/dev/null
say "Op 1 raises the Blue flag"
on 1 flag "${pids[1]}" 1 >/dev/null
on 0 wait-banner "${pids[0]}" "Blue" 10000 >/dev/null
sleep 4
say "Lab answers with a typed message"
on 2 send-text "${pids[2]}" "Results for Op 1 are ready" >/dev/null
on 2 wait-log "${pids[2]}" "✓ delivered (2/2)" 15000 >/dev/null
say "Op 1 acknowledges Front Desk's page with F11; Front Desk's log says where it was seen"
on 1 f11 "${pids[1]}" >/dev/null
on 0 wait-log "${pids[0]}" "✓ seen by Dr Adams (Op 1)" 10000 >/dev/null
on 2 wait-board "${pids[2]}" "Op 1  —  Blue" 5000 >/dev/null
sleep 1
import -window root "$shots/02-pages.png"

say "The lab analyser's Linux host pages Reception with one command:"
mkdir -p "$root/demo-linux"
printf '[identity]\nuser = Analyser\nroom = Lab bench\n' >"$root/demo-linux/Quillnet.ini"
echo '    qnsend --to Reception "Mrs Patel: blood results are ready"'
ip netns exec "$linux" "$qnsend" --ini "$root/demo-linux/Quillnet.ini" --to Reception \
  "Mrs Patel: blood results are ready" | sed 's/^/    /'
echo "    (exit code ${PIPESTATUS[0]})"
on 0 wait-log "${pids[0]}" "Analyser (Lab bench):  Mrs Patel: blood results are ready" 10000 >/dev/null
sleep 1
import -window root "$shots/03-qnsend.png"
for i in 0 1 2; do echo "--- log of ${users[$i]}:"; on $i print-log "${pids[$i]}"; done

echo
echo "Screenshots: $shots/01-rooms.png, $shots/02-pages.png, $shots/03-qnsend.png"
if [ "$interactive" = 1 ]; then
  echo "The three copies are running on your display. Type in their windows, press F1..F10,"
  echo "click the flags, close a window (it goes to the tray) ... Press Enter here to end the demo."
  read -r _
fi
for i in 0 1 2; do on $i exit "${pids[$i]}" >/dev/null; done
