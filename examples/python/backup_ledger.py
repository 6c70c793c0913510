#!/usr/bin/env python3
"""backup_ledger.py LEDGER: asks whether to copy the ledger to LEDGER.bak, and shows the error
dialog when the copy fails. Run with --self-test to answer the question by script instead, on a
desktop that shows no window."""
import shutil
import sys

import qvmsgerr


def back_up(ledger):
    answer = qvmsgerr.ask(f"Copy the ledger to {ledger}.bak?", qvmsgerr.YES_NO | qvmsgerr.QUESTION,
                          "Ledger", style=qvmsgerr.Style.STYLE_2003, button_yes="&Back up",
                          button_no="&Later", message_id="BackupLedger")
    if answer != qvmsgerr.Button.YES:
        print("Backup declined")
        return 0
    try:
        shutil.copyfile(ledger, ledger + ".bak")
    except OSError as e:
        qvmsgerr.show_error(e.strerror, 53 if isinstance(e, FileNotFoundError) else 75,
                            details=ledger, activity="backing up the ledger", app_name="Ledger")
        print("Backup failed")
        return 1
    print(f"Backed up to {ledger}.bak")
    return 0


def self_test(ledger):
    """The host's own test: a script plays the user, who reads the question and agrees."""
    def user(window):
        if window.name == "dlgError":
            window.click("cmdClose")
            return
        assert window.text("lblPrompt").startswith("Copy the ledger")
        window.press("back up")

    with qvmsgerr.headless(user):
        return back_up(ledger)


if __name__ == "__main__":
    try:
        if sys.argv[1:2] == ["--self-test"]:
            sys.exit(self_test(sys.argv[2]))
        sys.exit(back_up(sys.argv[1]))
    except qvmsgerr.Error as e:
        print(f"backup_ledger: error {e.number}: {e.description} ({e.source})", file=sys.stderr)
        sys.exit(3)
