# Sourced by the scripts (bash): the one decision about the host for this
# run. decide_host_i386 NAME exports ZELT_HOST_I386 (yes or no) and
# ZELT_HOST_I386_WHY, so every Wine run and every build configured from here
# goes the same way. A probe without an answer (set-up fault, time-out, a
# mistyped ZELT_HOST_I386) stops the script: it is never read as "no".
decide_host_i386() {
  local rc=0 why
  why=$(sh cmake/host-runs-i386.sh) || rc=$?
  case $rc in
    0) export ZELT_HOST_I386=yes ZELT_HOST_I386_WHY= ;;
    1) export ZELT_HOST_I386=no ZELT_HOST_I386_WHY="$why" ;;
    *) echo "$1: cannot tell whether this host runs i386 code (see above); stopping" >&2; exit 2 ;;
  esac
}
