#!/usr/bin/env bash
# Signs Windows binaries in place with Authenticode (osslsigncode, SHA-256).
#
#   ZELT_SIGN_PFX=cert.pfx ZELT_SIGN_PASSWORD_FILE=pass.txt \
#     [ZELT_SIGN_TIMESTAMP_URL=http://tsa.example/] scripts/sign.sh FILE...
#
# ZELT_SIGN_PFX is a PKCS#12 file with the code-signing key and certificate;
# ZELT_SIGN_PASSWORD_FILE holds its password (read by osslsigncode itself, so
# the password is never on a command line or in the environment). With
# ZELT_SIGN_TIMESTAMP_URL an RFC 3161 time stamp is added.
set -euo pipefail

if [ $# -eq 0 ]; then
  echo "usage: ZELT_SIGN_PFX=… ZELT_SIGN_PASSWORD_FILE=… $0 FILE..." >&2
  exit 2
fi
pfx=${ZELT_SIGN_PFX:-}
pass=${ZELT_SIGN_PASSWORD_FILE:-}
[ -n "$pfx" ] || { echo "sign.sh: ZELT_SIGN_PFX is not set" >&2; exit 2; }
[ -r "$pfx" ] || { echo "sign.sh: cannot read the certificate $pfx" >&2; exit 2; }
[ -n "$pass" ] || { echo "sign.sh: ZELT_SIGN_PASSWORD_FILE is not set (a file holding the PKCS#12 password)" >&2; exit 2; }
[ -r "$pass" ] || { echo "sign.sh: cannot read the password file $pass" >&2; exit 2; }
command -v osslsigncode >/dev/null || { echo "sign.sh: osslsigncode is not installed (scripts/setup.sh)" >&2; exit 2; }

timestamp=()
if [ -n "${ZELT_SIGN_TIMESTAMP_URL:-}" ]; then
  timestamp=(-ts "$ZELT_SIGN_TIMESTAMP_URL")
fi

for f in "$@"; do
  tmp="$f.signing"
  rm -f "$tmp"
  # osslsigncode writes a new file; the original is replaced only on success.
  if ! osslsigncode sign -pkcs12 "$pfx" -readpass "$pass" -h sha256 -n "ZeltDrv" \
      "${timestamp[@]}" -in "$f" -out "$tmp" >"$tmp.log" 2>&1; then
    echo "sign.sh: signing $f failed:" >&2
    cat "$tmp.log" >&2
    rm -f "$tmp" "$tmp.log"
    exit 1
  fi
  rm -f "$tmp.log"
  chmod --reference="$f" "$tmp"
  mv -f "$tmp" "$f"
  echo "signed $f"
done
