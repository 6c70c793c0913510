#!/bin/bash
# Runs every qvmsg command of the manual's sh examples, with no display (unattended, Qt
# offscreen for pictures), a store of its own and the program under test first on PATH. A trailing "# exits N" must be the exit
# status, "# prints TEXT" the output (runs of blanks compared as one space); any other command
# must be a valid call: neither bad usage (64), nor "no display" (69), nor an error (70).
# Usage: doc_examples.sh MANUAL QVMSG
set -u
manual=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
ln -s "$(realpath "$2")" "$work/bin/qvmsg"
# Nobody is there: questions are answered unattended (in examples that name no outcome, by the
# first of Yes, OK, Retry that each offers); pictures are rendered offscreen.
printf 'prompt * = Yes\nprompt * = OK\nprompt * = Retry\n' >"$work/answers"
export PATH="$work/bin:$PATH" QVMSGERR_REGISTRY="$work/registry.db" QT_QPA_PLATFORM=offscreen \
    QVMSGERR_DESKTOP=headless QVMSGERR_ANSWERS="$work/answers"
unset DISPLAY WAYLAND_DISPLAY
squeeze() { tr -s ' \t\n' '   ' | sed 's/^ //; s/ $//'; }

failures=0 count=0 inblock=0 command=""
while IFS= read -r line; do
    case $line in
    '```sh') inblock=1; continue ;;
    '```'*) inblock=0; continue ;;
    esac
    [ $inblock = 1 ] || continue
    command+="$line"
    if [[ $command == *\\ ]]; then # continued on the next line
        command="${command%\\} "
        continue
    fi
    if [[ $command =~ ^([A-Z_]+=[^[:space:]]*[[:space:]]+)*qvmsg ]]; then
        count=$((count + 1))
        expect=""
        if [[ $command =~ ^(.*[^[:space:]])[[:space:]]+#[[:space:]]*(.*)$ ]]; then
            command=${BASH_REMATCH[1]} expect=${BASH_REMATCH[2]}
        fi
        # The answer file stands in for the reader of examples that say no outcome only.
        out=$(cd "$work" && { [ -z "$expect" ] || unset QVMSGERR_ANSWERS; } &&
            timeout 60 bash -c "$command" 2>"$work/err")
        status=$?
        problem=""
        if [[ $expect =~ ^exits\ ([0-9]+)$ ]]; then
            [ "$status" = "${BASH_REMATCH[1]}" ] || problem="exit status $status"
        elif [[ $expect == prints\ * ]]; then
            [ "$(printf '%s' "$out" | squeeze)" = "$(printf '%s' "${expect#prints }" | squeeze)" ] ||
                problem="printed '$out'"
        elif [ $status = 64 ] || [ $status = 69 ] || [ $status = 70 ] || [ $status = 124 ]; then
            problem="exit status $status"
        fi
        if [ -n "$problem" ]; then
            echo "FAILED: $command  ($problem; expected: ${expect:-a valid call})"
            sed 's/^/    /' "$work/err"
            failures=$((failures + 1))
        fi
    fi
    command=""
done <"$manual"

echo "$count examples, $failures failed"
[ "$count" -gt 0 ] && [ "$failures" = 0 ]
