"""The Python module on the C interface: answers, errors and the memory, on a scripted desktop."""
import os
import tempfile
import threading

import pytest

# A store of this run, not the user's, before the library's first use of one.
os.environ["QVMSGERR_REGISTRY"] = os.path.join(tempfile.mkdtemp(), "registry.db")

import qvmsgerr  # noqa: E402
from qvmsgerr import Button, Style  # noqa: E402


@pytest.mark.parametrize("call, error", [
    (lambda: qvmsgerr.ask(None), TypeError),
    (lambda: qvmsgerr.ask(b"bytes"), TypeError),
    (lambda: qvmsgerr.ask("x", "4"), TypeError),
    (lambda: qvmsgerr.ask("x", True), TypeError),
    (lambda: qvmsgerr.ask("x", 2**31), OverflowError),
    (lambda: qvmsgerr.ask("x", title=3), TypeError),
    (lambda: qvmsgerr.ask("a\0b"), ValueError),
    (lambda: qvmsgerr.ask("\udc80"), UnicodeEncodeError),
    (lambda: qvmsgerr.ask("x", button_yes=None), TypeError),
    (lambda: qvmsgerr.ask("x", form_left="1"), TypeError),
    (lambda: qvmsgerr.ask("x", no_such_option=1), TypeError),
    (lambda: qvmsgerr.ask("x", parent=(0, 0, None, 0)), TypeError),
    (lambda: qvmsgerr.show_error(None), TypeError),
    (lambda: qvmsgerr.show_error("x", on_abort="not callable"), TypeError),
    (lambda: qvmsgerr.forget_answer(None), TypeError),
    (lambda: qvmsgerr.MessageBox().timer_seconds, AttributeError),
    (lambda: setattr(qvmsgerr.ErrorDialog(), "solution", "x"), AttributeError),
    (lambda: qvmsgerr.headless(script=42).__enter__(), TypeError),
])
def test_wrong_values_raise_before_the_library_sees_them(call, error):
    with qvmsgerr.headless():
        with pytest.raises(error):
            call()


SAMPLES = {"t": "\u00dcber &x", "i": 6, "b": True, "f": 1.5}


@pytest.mark.parametrize("kind, table", [(qvmsgerr.MessageBox, qvmsgerr._MSGBOX_OPTIONS),
                                         (qvmsgerr.ErrorDialog, qvmsgerr._ERROR_OPTIONS)])
def test_every_option_is_reached_with_its_own_kind(kind, table):
    with kind() as target:
        for name, (_, letter, readable, writable) in table.items():
            if writable:
                setattr(target, name, SAMPLES[letter])
            if readable:
                value = getattr(target, name)
                assert value == SAMPLES[letter] if writable else value is not None, name


def test_the_script_answers_and_reads_the_window():
    seen = []

    def user(window):
        seen.append((window.name, window.text("lblPrompt"), window.buttons))
        window.press("later")

    with qvmsgerr.headless(user):
        answer = qvmsgerr.ask("Back up now?", qvmsgerr.YES_NO | qvmsgerr.QUESTION, "Ledger",
                              style=Style.STYLE_2003, button_yes="&Back up", button_no="&Later")
    assert answer is Button.NO
    assert seen == [("frmTessary2003", "Back up now?", ["Back up", "Later"])]


def test_library_errors_carry_number_description_and_source():
    with qvmsgerr.headless(), pytest.raises(qvmsgerr.Error) as raised:
        qvmsgerr.ask("x", 6, style=Style.CLASSIC)
    assert (raised.value.number, raised.value.description) == (
        5, "Invalid procedure call or argument")
    assert raised.value.source == "qvmsgerr_msgbox_show&MsgBox&ShowMessage&qvMsgErr"


@pytest.mark.parametrize("raise_, caught", [
    (lambda w: w.click("cmdNothing"), qvmsgerr.Error),
    (lambda w: 1 / 0, ZeroDivisionError),
])
def test_what_a_script_raises_comes_out_of_the_call(raise_, caught):
    with qvmsgerr.headless(raise_), pytest.raises(caught):
        qvmsgerr.ask("x", qvmsgerr.OK_CANCEL, style=Style.CLASSIC)


def test_a_destroyed_box_and_another_threads_box_are_refused():
    box = qvmsgerr.MessageBox()
    errors = []

    def other():
        try:
            box.details_string = "x"
        except qvmsgerr.Error as e:
            errors.append(e.number)

    thread = threading.Thread(target=other)
    thread.start()
    thread.join()
    box.close()
    with pytest.raises(qvmsgerr.Error) as raised:
        box.show("x")
    assert errors == [5] and raised.value.number == 91


def test_the_standard_style_asks_the_system_answer():
    with qvmsgerr.headless(system_answer=lambda prompt, title, flags: Button.RETRY):
        assert qvmsgerr.ask("Disk?", qvmsgerr.RETRY_CANCEL, "T") is Button.RETRY


def test_remembered_answers_are_listed_found_and_forgotten():
    def tick_and_answer_yes(window):
        window.tick()
        window.press("yes")

    with qvmsgerr.headless(tick_and_answer_yes):
        for message in ("Import", "Export"):
            qvmsgerr.ask(message + "?", qvmsgerr.YES_NO, style=Style.CLASSIC, reg_root="PyTest",
                         dont_show_again=True, message_id=message)
    assert [a.message_id for a in qvmsgerr.remembered_answers()] == ["Export", "Import"]
    assert qvmsgerr.find_remembered_answer("import") == ("import", "6", Button.YES)
    assert qvmsgerr.MessageBox().remembered_value("Import") is Button.YES
    assert qvmsgerr.forget_answer("Import") and not qvmsgerr.forget_answer("Import")
    assert qvmsgerr.find_remembered_answer("Import") is None
    assert qvmsgerr.forget_all_answers() == 1


def test_the_error_dialog_answers_and_reports_close_all():
    aborted = []

    def close_all(window):
        assert window.text("rtfDescription") == "The ledger is locked."
        window.click("cmdAbort")  # the confirmation answers Yes by default

    with qvmsgerr.headless(lambda w: w.click("cmdRetry")):
        assert qvmsgerr.show_error("Locked", 70, app_name="Ledger") is Button.TRY_AGAIN
    with qvmsgerr.headless(close_all), qvmsgerr.ErrorDialog() as dialog:
        dialog.on_abort(lambda: aborted.append(True))
        dialog.show("The ledger is locked.", 70)
        assert aborted == [True] and dialog.abort_pending
