#!/bin/bash
# The manual page renders with man, without a warning, and lists the options; the bash
# completion completes the options of each command, their values and the memory commands.
# Usage: man_and_completion.sh DIR (where the build wrote qvmsg.1 and bash-completion/qvmsg)
set -u
dir=$1 failures=0
check() {
    [ "$2" = "$3" ] || { echo "FAILED: $1: '$2', expected '$3'"; failures=$((failures + 1)); }
}
export LC_ALL=C.UTF-8 MANWIDTH=80
check "man's warnings" "$(man --warnings -l "$dir/qvmsg.1" 2>&1 >/dev/null)" ""
page=$(man -l "$dir/qvmsg.1" 2>/dev/null)
# --exit-style and --no-escapes are options of the message and of the error dialog.
check "the options in the page" "$(grep -cE -- '^ +--(exit-style STYLE|no-escapes|description TEXT)$' <<<"$page")" 5
check "a text with backslashes" "$(grep -c -- 'show \\n, \\t and \\\\ in texts' <<<"$page")" 2

source "$dir/bash-completion/qvmsg"
offered() {
    COMP_WORDS=("$@") COMP_CWORD=$(($# - 1))
    _qvmsg
    echo "${COMPREPLY[*]}"
}
check "an option" "$(offered qvmsg --exit-s)" "--exit-style"
check "its values" "$(offered qvmsg --exit-style '')" "button zenity"
check "a theme icon" "$(offered qvmsg --icon dialog-w)" "dialog-warning"
check "a command" "$(offered qvmsg mem)" "memory"
check "an option of error" "$(offered qvmsg error --desc)" "--description"
check "not the message's" "$(offered qvmsg error --tex)" ""
check "a memory command" "$(offered qvmsg memory --root x fo)" "forget"
check "no words for a free text" "$(offered qvmsg --title --)" ""
[ $failures = 0 ]
