#!/usr/bin/env bash
# On a real X display (Xvfb), programs that showed windows end cleanly: qvmsg in each style and
# with the error dialog, and a program whose QApplication the library started.
#   real_display.sh QVMSG COUNTDOWN_HOST          (exit 77: no Xvfb here, skipped)
set -uo pipefail
qvmsg=$1 host=$2
command -v Xvfb >/dev/null || { echo "Xvfb is not installed"; exit 77; }
dir=$(mktemp -d)
Xvfb -displayfd 3 -nolisten tcp 3>"$dir/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 100); do [[ -s $dir/display ]] && break; sleep 0.05; done
export DISPLAY=:$(cat "$dir/display") QVMSGERR_REGISTRY=$dir/store.db
unset QT_QPA_PLATFORM QVMSGERR_DESKTOP WAYLAND_DISPLAY
# Under the address sanitizer: libxkbcommon-x11 hands strndup a counted buffer that is no C
# string, which strict string checks read past. Every other check stays.
if [[ -n ${ASAN_OPTIONS:-} ]]; then
  export ASAN_OPTIONS=${ASAN_OPTIONS//strict_string_checks=1/strict_string_checks=0}
fi

failed=0
expect() {
  local want=$1 rc=0
  shift
  "$@" >"$dir/out" 2>&1 || rc=$?
  if [[ $rc != "$want" ]]; then
    echo "FAIL: '$*' ended with $rc, not $want"
    cat "$dir/out"
    failed=1
  fi
}
for style in classic 2003 standard; do
  expect 1 "$qvmsg" --style "$style" --icon question --no-sound --answer 1 "Go on?"
done
expect 3 "$qvmsg" error --number 53 --description "File not found" --answer 3
expect 0 "$host"
exit $failed
