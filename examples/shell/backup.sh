#!/bin/sh
# Asks before a backup, the way shell scripts ask with other dialog tools: with
# --exit-style zenity, qvmsg succeeds when the user answers Yes and fails on No or the close box,
# and 5 says that nobody answered before the countdown ran out.
# Usage: backup.sh SOURCE_DIR ARCHIVE
set -u
source_dir=$1 archive=$2

if qvmsg --exit-style zenity --buttons yesno --icon dialog-question --title Backup \
    --timeout 30 --text "Back up $source_dir now?\nThe archive goes to $archive."; then
    if tar -cf "$archive" -C "$source_dir" .; then
        echo "Backed up to $archive"
    else
        # The error dialog tells what went wrong; the script stops either way.
        qvmsg error --app-name Backup --activity "writing $archive" \
            --description "tar could not write the archive" >/dev/null
        exit 1
    fi
else
    case $? in
    1) echo "Backup declined" ;;
    5) echo "Nobody answered; backing up next time" ;;
    *) echo "qvmsg could not ask" >&2; exit 2 ;;
    esac
fi
