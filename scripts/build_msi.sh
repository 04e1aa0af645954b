#!/usr/bin/env bash
# Builds the Windows Installer package out/Quillnet.msi with wixl (msitools) from
# installer/Quillnet.wxs and the cross-built Quillnet.exe, qnsend.exe and QnSetup.dll.
#   scripts/build_msi.sh [OUTPUT.msi]
# Environment:
#   QN_BIN_DIR       folder of the three built files (default build/win)
#   QN_MSI_VERSION   package version; default the program's own from src/res/version.h
#                    (the tests build higher and lower packages of the same files)
#   SIGN_CERT, SIGN_KEY  a code-signing certificate and its private key (PEM or DER):
#                    when both are given, the executables, the custom-action library
#                    and the package are signed with osslsigncode; otherwise nothing is.
#   SIGN_PASS        the key's password, when it has one
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$top/out/Quillnet.msi}")
bin=$(realpath -m "${QN_BIN_DIR:-$top/build/win}")

number() { sed -n "s/^#define QN_VERSION_$1 \([0-9][0-9]*\).*/\1/p" "$top/src/res/version.h"; }
version=${QN_MSI_VERSION:-$(number MAJOR).$(number MINOR).$(number PATCH)}

for f in Quillnet.exe qnsend.exe QnSetup.dll; do
  [ -f "$bin/$f" ] || { echo "build_msi.sh: $bin/$f is missing (build the win flavour first)" >&2; exit 1; }
done

# wixl takes the package's source files by paths relative to the current folder.
cd "$top"
stage=build/msi-stage.$$
rm -rf "$stage" && mkdir -p "$stage"
trap 'rm -rf "$stage"' EXIT
cp "$bin/Quillnet.exe" "$bin/qnsend.exe" "$bin/QnSetup.dll" "$stage/"

signing=0
if [ -n "${SIGN_CERT:-}" ] || [ -n "${SIGN_KEY:-}" ]; then
  [ -n "${SIGN_CERT:-}" ] && [ -n "${SIGN_KEY:-}" ] || { echo "build_msi.sh: SIGN_CERT and SIGN_KEY go together" >&2; exit 1; }
  command -v osslsigncode >/dev/null || { echo "build_msi.sh: osslsigncode is not installed" >&2; exit 1; }
  signing=1
fi
sign() {  # sign FILE in place
  local args=(sign -certs "$SIGN_CERT" -key "$SIGN_KEY" -h sha256 -n "Quillnet")
  [ -n "${SIGN_PASS:-}" ] && args+=(-pass "$SIGN_PASS")
  osslsigncode "${args[@]}" -in "$1" -out "$1.signed" >/dev/null
  mv "$1.signed" "$1"
  echo "signed $(basename "$1")"
}
if [ $signing = 1 ]; then
  for f in Quillnet.exe qnsend.exe QnSetup.dll; do sign "$stage/$f"; done
fi

mkdir -p "$(dirname "$out")"
wixl -a x64 -D Version="$version" -D SourceDir=. -D BinDir="$stage" -o "$stage/Quillnet.msi" \
  "$top/installer/Quillnet.wxs"

# What wixl's subset of WiX cannot say, written into the tables directly:
# - the Startup shortcut's component is installed only with START_AT_LOGIN="1";
# - the firewall's undo actions run in the rollback script only (wixl drops
#   Execute="rollback"): 3442 = 50 (program a property names) + 64 (exit code ignored)
#   + 256 (rollback) + 1024 (deferred) + 2048 (as the system account);
# - the public properties are passed from the user interface to the installing
#   service (secure), as an installation started from the Explorer needs.
msibuild "$stage/Quillnet.msi" -q \
  "UPDATE \`Component\` SET \`Condition\` = 'START_AT_LOGIN=\"1\"' WHERE \`Component\` = 'StartupShortcut'"
msibuild "$stage/Quillnet.msi" -q \
  "UPDATE \`CustomAction\` SET \`Type\` = 3442 WHERE \`Action\` = 'QnFirewallUndoDiscovery' OR \`Action\` = 'QnFirewallUndoMessages'"
secure=$(msiinfo export "$stage/Quillnet.msi" Property | awk -F'\t' '$1 == "SecureCustomProperties" {print $2}')
msibuild "$stage/Quillnet.msi" -q \
  "UPDATE \`Property\` SET \`Value\` = '$secure;USER;ROOM;DISCOVERY_PORT;MESSAGE_PORT;SEED_PEERS;SITE_KEY;START_AT_LOGIN' WHERE \`Property\` = 'SecureCustomProperties'"

[ $signing = 1 ] && sign "$stage/Quillnet.msi"
mv "$stage/Quillnet.msi" "$out"
echo "$out built (version $version)"
