#!/bin/sh
# The i386 probe's own cases: both answers (from fakes, so on every host),
# the overrides, each way it can fail without an answer, the program it
# writes, and this host's real answer. Needs no Wine and no i386 package.
#   host-probe-test.sh
here=$(cd "$(dirname "$0")/.." && pwd)
probe="$here/host-runs-i386.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset ZELT_HOST_I386 ZELT_HOST_I386_WHY
. "$here/tests/check.sh"

# Fakes of the probe's program: one that runs (exit 42), a file the kernel
# refuses on every host (no known format, NUL bytes), one that hangs, one
# that fails, one that exits 0 (not the probe's answer), one not executable.
printf '#!/bin/sh\nexit 42\n' >"$work/runs"
head -c 96 /dev/zero >"$work/refused"
printf '#!/bin/sh\nexec sleep 30\n' >"$work/hangs"
printf '#!/bin/sh\necho cannot fork; exit 3\n' >"$work/fails"
printf '#!/bin/sh\nexit 0\n' >"$work/zero"
printf '#!/bin/sh\nexit 42\n' >"$work/noexec"
chmod +x "$work/runs" "$work/refused" "$work/hangs" "$work/fails" "$work/zero"

expect "forced yes" 0 "" env ZELT_HOST_I386=yes sh "$probe" "$work/refused"
expect "forced no" 1 "ZELT_HOST_I386=no" env ZELT_HOST_I386=no sh "$probe" "$work/runs"
expect "forced no carries the reason it is given" 1 "^kernel says no$" \
  env ZELT_HOST_I386=no ZELT_HOST_I386_WHY="kernel says no" sh "$probe"
for value in maybe 1 true YES " yes"; do
  expect "ZELT_HOST_I386='$value' is an error, not a no" 2 "must be yes or no" \
    env ZELT_HOST_I386="$value" sh "$probe"
done
expect "a program that runs is yes" 0 "" sh "$probe" "$work/runs"
expect "a program the kernel refuses is no" 1 "^the kernel refuses i386 programs (Exec format error)$" \
  sh "$probe" "$work/refused"
start=$(date +%s)
expect "a time-out is no answer" 2 "did not finish in 1 s" sh "$probe" "$work/hangs" 1
check "and gives up at once (took $(($(date +%s) - start)) s)" [ $(($(date +%s) - start)) -lt 20 ]
expect "another failure is no answer" 2 "failed with exit code 3: cannot fork" sh "$probe" "$work/fails"
check "and does not blame the format" sh -c "! grep -q 'Exec format' '$work/out'"
expect "exit 0 is not the program's answer" 2 "failed with exit code 0" sh "$probe" "$work/zero"
expect "a program it may not run is no answer" 2 "Permission denied" sh "$probe" "$work/noexec"
expect "no temporary folder is no answer" 2 "cannot make a temporary folder" \
  env TMPDIR="$work/none" sh "$probe"

# The program it writes: a static i386 executable (no interpreter, so no
# loader or C library needed) whose only code is exit(42).
sh "$probe" --write "$work/prog" >"$work/out" 2>&1
check "writes a 96-byte program" [ "$(wc -c <"$work/prog")" = 96 ]
check "an executable file" [ -x "$work/prog" ]
LC_ALL=C readelf -h -l "$work/prog" >"$work/out" 2>&1
check "ELF32 for the 80386" sh -c "grep -q 'Class: *ELF32' '$work/out' && grep -q 'Machine: *Intel 80386' '$work/out'"
check "an executable, not a library" grep -q 'Type: *EXEC' "$work/out"
check "with no interpreter" sh -c "! grep -q INTERP '$work/out'"
check "its code is mov eax,1; mov ebx,42; int 0x80" \
  [ "$(tail -c 12 "$work/prog" | od -An -tx1 | tr -d ' \n')" = b801000000bb2a000000cd80 ]

# This host, as it is: an answer, and no temporary file left behind.
mkdir "$work/tmp"
TMPDIR="$work/tmp" sh "$probe" >"$work/out" 2>&1
rc=$?
check "this host gets an answer (exit $rc: $(cat "$work/out"))" [ "$rc" = 0 -o "$rc" = 1 ]
check "and leaves nothing in TMPDIR" [ -z "$(ls -A "$work/tmp")" ]

finish
