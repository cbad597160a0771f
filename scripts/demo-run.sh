# Sourced by the demo parts: run PROGRAM [ARGS...] under Wine of width $width
# in prefix $prefix, output through the file $out. A file, not a pipe: Wine's
# service processes inherit the first program's descriptors and outlive it,
# so a pipe would never see its end. A failure shows the program's output and
# its exit code and returns it, which stops the demo.
. scripts/host-decision.sh
[ -n "${ZELT_HOST_I386:-}" ] || decide_host_i386 "$me"
run() {
  local rc=0
  sh cmake/wine-run.sh "$width" "$prefix" "$@" >"$out" 2>&1 </dev/null || rc=$?
  tr -d '\r' <"$out"
  if [ "$rc" -ne 0 ]; then
    echo "$me: '$(basename "$1") ${*:2}' failed with exit code $rc" >&2
    return "$rc"
  fi
}
