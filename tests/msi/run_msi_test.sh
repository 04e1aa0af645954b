#!/usr/bin/env bash
# The Windows Installer package under Wine, in a fresh prefix inside the test's private
# network namespace: silent installation with the public properties, the first
# Quillnet.ini, the installed program announcing itself with those settings, a major
# upgrade that keeps the file, a refused downgrade, removal, a refused invalid site key,
# the firewall custom actions' command lines in the package's tables, and signing.
# Called by run_wine.sh (needs the win and asan builds and an X display).
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
root=${QN_BUILD_ROOT:-$top/build}
[ "${QN_IN_NETNS:-}" = "1" ] || { echo "run_msi_test.sh must run inside scripts/netns.sh" >&2; exit 2; }
export WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
work=$root/msi-test
export WINEPREFIX=$root/wine-msi
failures=0
pass() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
expect() {  # expect DESCRIPTION command...
  local what=$1; shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
finish() { wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; }
trap finish EXIT

rm -rf "$work" "$WINEPREFIX"
mkdir -p "$work"
# --- the packages: this version, one above, one below (the same files inside)
number() { sed -n "s/^#define QN_VERSION_$1 \([0-9][0-9]*\).*/\1/p" "$top/src/res/version.h"; }
major=$(number MAJOR) minor=$(number MINOR) patch=$(number PATCH)
current=$major.$minor.$patch
higher=$major.$minor.$((patch + 1))
if [ "$patch" -gt 0 ]; then lower=$major.$minor.$((patch - 1));
elif [ "$minor" -gt 0 ]; then lower=$major.$((minor - 1)).0; else lower=$((major - 1)).0.0; fi
for v in "$current" "$higher" "$lower"; do
  QN_MSI_VERSION=$v "$top/scripts/build_msi.sh" "$work/Quillnet-$v.msi" >/dev/null || { echo "FAIL building $v"; exit 1; }
done
pkg=$work/Quillnet-$current.msi

# --- the firewall custom actions, read from the package's tables
table() { msiinfo export "$1" "$2" | tr -d '\r'; }  # msiinfo ends its lines with CR LF
actions=$(table "$pkg" CustomAction)
has_action() {  # has_action NAME TYPE COMMAND-LINE
  printf '%s\n' "$actions" | grep -qxF "$(printf '%s\t%s\tQN_NETSH\t%s\t' "$1" "$2" "$3")"
}
# 3186 = 50 (run the program a property names) + 64 (exit code ignored) + 1024
# (deferred) + 2048 (as the system account, not the user).
exe='program="[INSTALLDIR]Quillnet.exe"'
expect "firewall: discovery rule added (UDP, domain and private, local subnet)" has_action QnFirewallAddDiscovery 3186 \
  "advfirewall firewall add rule name=\"Quillnet discovery\" dir=in action=allow $exe protocol=UDP localport=[QN_DISCOVERY_PORT] profile=domain,private remoteip=localsubnet enable=yes"
expect "firewall: message rule added (TCP, domain and private, local subnet)" has_action QnFirewallAddMessages 3186 \
  "advfirewall firewall add rule name=\"Quillnet messages\" dir=in action=allow $exe protocol=TCP localport=[QN_MESSAGE_PORT] profile=domain,private remoteip=localsubnet enable=yes"
expect "firewall: discovery rule removed" has_action QnFirewallClearDiscovery 3186 \
  "advfirewall firewall delete rule name=\"Quillnet discovery\" $exe"
expect "firewall: message rule removed" has_action QnFirewallClearMessages 3186 \
  "advfirewall firewall delete rule name=\"Quillnet messages\" $exe"
# 3442 = the same + 256: in the rollback script, when a failed installation is undone.
expect "firewall: rollback removes the discovery rule" has_action QnFirewallUndoDiscovery 3442 \
  "advfirewall firewall delete rule name=\"Quillnet discovery\" $exe"
expect "firewall: rollback removes the message rule" has_action QnFirewallUndoMessages 3442 \
  "advfirewall firewall delete rule name=\"Quillnet messages\" $exe"
sequence=$(table "$pkg" InstallExecuteSequence)
expect "firewall: rules added on installation (undo first in line), removed on removal" bash -c '
  s=$1
  printf "%s\n" "$s" | grep -qxF "$(printf "QnFirewallAddDiscovery\tNOT Installed\t4005")" &&
  printf "%s\n" "$s" | grep -qxF "$(printf "QnFirewallAddMessages\tNOT Installed\t4006")" &&
  printf "%s\n" "$s" | grep -qxF "$(printf "QnFirewallUndoDiscovery\tNOT Installed\t4003")" &&
  printf "%s\n" "$s" | grep -qxF "$(printf "QnFirewallUndoMessages\tNOT Installed\t4004")" &&
  printf "%s\n" "$s" | grep -qxF "$(printf "QnFirewallClearDiscovery\tNOT Installed OR REMOVE=\"ALL\"\t4001")" &&
  printf "%s\n" "$s" | grep -qxF "$(printf "QnFirewallClearMessages\tNOT Installed OR REMOVE=\"ALL\"\t4002")"' _ "$sequence"
expect "netsh is the 64-bit system folder's" bash -c 'printf "%s\n" "$1" | grep -qxF "$(printf "QnSetNetsh\t2099\tQN_NETSH\t[System64Folder]netsh.exe\t")"' _ "$actions"

# --- signing: nothing unless asked; with a throw-away certificate, everything
expect "unsigned without a certificate" bash -c '! osslsigncode verify -in "$1" >/dev/null 2>&1' _ "$pkg"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/sign.key" -out "$work/sign.crt" -days 1 \
  -subj "/CN=Quillnet test signing" -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1
SIGN_CERT=$work/sign.crt SIGN_KEY=$work/sign.key "$top/scripts/build_msi.sh" "$work/signed.msi" >/dev/null
mkdir -p "$work/signed" && (cd "$work/signed" && msiextract "$work/signed.msi" >/dev/null)
signed_ok() {
  osslsigncode verify -CAfile "$work/sign.crt" -in "$work/signed.msi" >/dev/null 2>&1 || return 1
  for f in Quillnet.exe qnsend.exe; do
    p=$(find "$work/signed" -name "$f" | head -1)
    [ -n "$p" ] && osslsigncode verify -CAfile "$work/sign.crt" -in "$p" >/dev/null 2>&1 || return 1
  done
}
expect "signed: the package and both executables" signed_ok

# --- under Wine
"$top/scripts/wine_prefix.sh" "$WINEPREFIX" || { echo "FAIL prefix"; exit 1; }
drive=$WINEPREFIX/drive_c
folder="$drive/Program Files/Quillnet"
ini="$folder/Quillnet.ini"
msi() {  # msi LOG ARGS...: msiexec's exit code
  local log=$1; shift
  wine msiexec "$@" /qn /l*v "$(winepath -w "$work/$log")" 2>/dev/null
  local rc=$?
  wineserver -w 2>/dev/null
  return $rc
}
log_has() { tr -d '\0' <"$work/$1" | grep -qF -- "$2"; }
# Windows Installer puts per-machine shortcuts in the common Start menu; Wine's uses the
# user's. Either counts.
shortcut() { find "$drive/ProgramData/Microsoft/Windows/Start Menu" "$drive/users" -path "*Start Menu/Programs/$1" 2>/dev/null | grep -q .; }
product_version() {  # the uninstall entry's DisplayVersion of a package's product
  local code
  code=$(table "$1" Property | awk -F'\t' '$1 == "ProductCode" {print $2}')
  wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$code" /v DisplayVersion 2>/dev/null |
    tr -d '\r' | awk '$1 == "DisplayVersion" {print $3}'
}
# ERROR_INSTALL_FAILURE (1603) as a Unix exit status, which keeps the low eight bits.
failed=$((1603 % 256))
key=00112233445566778899AABBCCDDEEFF00112233445566778899aabbccddeeff

msi install.log /i "$(winepath -w "$pkg")" USER=Desk "ROOM=Op 1" DISCOVERY_PORT=46777 MESSAGE_PORT=46778 \
  "SEED_PEERS=10.0.0.5,10.0.0.6" "SITE_KEY=$key" START_AT_LOGIN=1
rc=$?
expect "install: msiexec /i /qn exits 0 (got $rc)" test "$rc" = 0
expect "install: Quillnet.exe and qnsend.exe in Program Files\\Quillnet" test -f "$folder/Quillnet.exe" -a -f "$folder/qnsend.exe"
expect "install: Start-menu shortcut" shortcut Quillnet.lnk
expect "install: Startup shortcut with START_AT_LOGIN=1" shortcut StartUp/Quillnet.lnk
expect "install: product $current registered" test "$(product_version "$pkg")" = "$current"
{
  printf '%s\r\n' "; Quillnet configuration (auto-saved)." "" "[identity]" "user = Desk" "room = Op 1" "" \
    "[network]" "discovery_port = 46777" "message_port   = 46778" "seed_peers = 10.0.0.5, 10.0.0.6" \
    "heartbeat_ms    = 3000" "peer_timeout_ms = 12000" "" \
    "[sound]" "enabled = 1" "file = " "volume = 80" "tone_freq = 880" "tone_ms = 250" "" \
    "[behavior]" "always_on_top = 1" "start_minimized = 1" "auto_minimize_after_send = 1" \
    "bring_to_front_on_receive = 1" "interrupt_screensaver_on_receive = 1" "log_view_lines = 5000" "private_balloons = 0" "history_days = 0" "" \
    "[quick_messages]" "; F1..F10 quick messages sent with the function keys." \
    "1 = Yes" "2 = No" "3 = Take Msg" "4 = Will Call" "5 = Pt Ready" "6 = Do Premed" "7 = Wait" \
    "8 = Next Case" "9 = Come Here" "10 = EMERG" "" \
    "[flags]" "Red = #DC2828" "Blue = #285ADC" "Green = #1EA03C" "Yellow = #E6BE1E" "Orange = #EB8214" \
    "Purple = #8C3CBE" "" "[security]" "site_key = ${key,,}"
} >"$work/expected.ini"
expect "install: Quillnet.ini is the program's text of the properties" cmp -s "$ini" "$work/expected.ini"
expect "install: the log names the file written" log_has install.log "Quillnet: wrote C:\\Program Files\\Quillnet\\Quillnet.ini."

# The installed program, started as the Startup shortcut would, announces itself
# (sealed, with the key of the file) and the native qnsend hears it.
wine "C:\\Program Files\\Quillnet\\Quillnet.exe" 2>/dev/null &
heard=$("$root/asan/qnsend" --list --json --discovery-port 46777 --site-key "$key" --wait-ms 8000 2>&1)
wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
wait 2>/dev/null
expect "installed program announces Op 1 (Desk) on 46777 with message port 46778: $heard" \
  grep -qF '"user":"Desk","room":"Op 1","address":"127.0.0.1","port":46778' <<<"$heard"

# History lives in the user's folder and is never the package's.
history_dir="$(find "$drive/users" -maxdepth 3 -ipath '*/AppData/Local' | head -1)/Quillnet"
mkdir -p "$history_dir" && printf 'a saved line\r\n' >"$history_dir/history.log"

# A newer package replaces the product and keeps the file (other properties ignored).
cp "$ini" "$work/before-upgrade.ini"
msi upgrade.log /i "$(winepath -w "$work/Quillnet-$higher.msi")" USER=Other ROOM=Elsewhere
rc=$?
expect "upgrade to $higher: exits 0 (got $rc)" test "$rc" = 0
expect "upgrade: product $higher registered, $current gone" \
  test "$(product_version "$work/Quillnet-$higher.msi")" = "$higher" -a -z "$(product_version "$pkg")"
expect "upgrade: Quillnet.ini kept byte for byte" cmp -s "$ini" "$work/before-upgrade.ini"
expect "upgrade: program files in place" test -f "$folder/Quillnet.exe" -a -f "$folder/qnsend.exe"
expect "upgrade: Startup shortcut kept without START_AT_LOGIN on the command line" shortcut StartUp/Quillnet.lnk

# An older package is refused by its launch condition, whose text is the message
# Windows Installer shows and logs (Wine's does neither under /qn, but records the
# newer product found and the condition failing).
msi downgrade.log /i "$(winepath -w "$work/Quillnet-$lower.msi")"
rc=$?
expect "downgrade to $lower: refused (exit $rc)" test "$rc" = "$failed"
expect "downgrade: the package's launch condition carries the message" bash -c 'printf "%s\n" "$1" | grep -qxF "$(printf "NOT WIX_DOWNGRADE_DETECTED\tA newer version of Quillnet is already installed. Uninstall it first to install this older version.")"' _ "$(table "$work/Quillnet-$lower.msi" LaunchCondition)"
expect "downgrade: the newer product was found and the launch condition failed" bash -c '
  log=$(tr -d "\0" <"$1") &&
  grep -qF "Property(S): WIX_DOWNGRADE_DETECTED = {" <<<"$log" &&
  grep -qF "LaunchConditions. Return value 0." <<<"$log"' _ "$work/downgrade.log"
expect "downgrade: $higher still installed" test "$(product_version "$work/Quillnet-$higher.msi")" = "$higher"

# Removal takes the program files and shortcuts, leaves the file and the history.
msi remove.log /x "$(winepath -w "$work/Quillnet-$higher.msi")"
rc=$?
expect "remove: msiexec /x /qn exits 0 (got $rc)" test "$rc" = 0
expect "remove: no program file left" test ! -e "$folder/Quillnet.exe" -a ! -e "$folder/qnsend.exe"
expect "remove: shortcuts gone" bash -c '! find "$1/ProgramData" "$1/users" -name Quillnet.lnk 2>/dev/null | grep -q .' _ "$drive"
expect "remove: Quillnet.ini and the history stay" cmp -s "$ini" "$work/before-upgrade.ini"
expect "remove: the history stays" test -f "$history_dir/history.log"

# A new installation over the file that stayed leaves it alone.
msi reinstall.log /i "$(winepath -w "$pkg")" USER=Other DISCOVERY_PORT=41000
rc=$?
expect "reinstall over an existing Quillnet.ini: exits 0 (got $rc)" test "$rc" = 0
expect "reinstall: the existing Quillnet.ini is left alone" cmp -s "$ini" "$work/before-upgrade.ini"
expect "reinstall: the log says it is kept" log_has reinstall.log "is kept as it is."
msi remove2.log /x "$(winepath -w "$pkg")"

# An invalid site key stops the installation with its message, nothing installed.
rm -f "$ini"
msi badkey.log /i "$(winepath -w "$pkg")" USER=Desk SITE_KEY=0123abc
rc=$?
expect "invalid SITE_KEY: installation fails (exit $rc)" test "$rc" = "$failed"
expect "invalid SITE_KEY: the message is in the log" \
  log_has badkey.log "Quillnet: The site key given in SITE_KEY is not valid (64 hexadecimal digits expected)."
expect "invalid SITE_KEY: nothing installed, no file written" test ! -e "$folder/Quillnet.exe" -a ! -e "$ini"

[ "$failures" = 0 ] && echo "package tests: all passed" || echo "package tests: $failures failed"
[ "$failures" = 0 ]
