"""Message boxes and error dialogs of qvMsgErr for Python.

    import qvmsgerr
    if qvmsgerr.ask("Save the changes?", qvmsgerr.YES_NO | qvmsgerr.QUESTION, "Ledger",
                    style=qvmsgerr.Style.STYLE_2003, button_yes="&Save") == qvmsgerr.Button.YES:
        save()

Every failure of the library raises qvmsgerr.Error (number, description, source); a value of
the wrong type, or None where a text is needed, raises TypeError. Objects belong to the thread
that made them, as the library's state does.
"""

import collections
import contextlib
import ctypes
import enum
import re

from ._capi import (ABORT, Answer, Error, Form, SCRIPT, SYSTEM_ANSWER, bool_in, check, float_in,
                    int_in, keep_exception, lib, text_in, text_out)

__all__ = ["Error", "Button", "Style", "MessageBox", "ErrorDialog", "Window", "ask", "show_error",
           "RememberedAnswer", "remembered_answers", "find_remembered_answer", "forget_answer",
           "forget_all_answers", "button_set", "headless"]

# The flag word of a message: one button set, one icon, one default button, and the Help button.
OK_ONLY, OK_CANCEL, ABORT_RETRY_IGNORE, YES_NO_CANCEL, YES_NO, RETRY_CANCEL = range(6)
CRITICAL, QUESTION, EXCLAMATION, INFORMATION = 16, 32, 48, 64
DEFAULT_BUTTON2, DEFAULT_BUTTON3, DEFAULT_BUTTON4 = 0x100, 0x200, 0x300
HELP_BUTTON = 0x4000


class Button(enum.IntEnum):
    """The answer: the button chosen (the error dialog answers CLOSE, TRY_AGAIN or IGNORE)."""
    NONE = 0
    OK = 1
    CANCEL = 2
    ABORT = 3
    RETRY = 4
    IGNORE = 5
    YES = 6
    NO = 7
    CLOSE = 3
    TRY_AGAIN = 4


class Style(enum.IntEnum):
    STANDARD = 0
    CLASSIC = 1
    STYLE_2003 = 2


def _button(number):
    try:
        return Button(number)
    except ValueError:
        return number


_KINDS = {"t": (text_in, "text"), "i": (int_in, "int"), "b": (bool_in, "int"),
          "f": (float_in, "float")}


def _options(first, table):
    """Option names to (id, kind, readable, writable), numbered as in the C header from `first`:
    "name:KA" with the kind K (t text, i int, b bool, f float) and the access A (r, w, rw)."""
    options = {}
    for offset, row in enumerate(table.split()):
        name, kind = row.split(":")
        options[name] = (first + offset, kind[0], "r" in kind[1:], "w" in kind[1:])
    return options


_CAPTIONS = "ok cancel abort retry ignore yes no help details".split()
_MSGBOX_OPTIONS = _options(1, " ".join(
    ["use_sounds:brw timer_countdown_caption:trw time_out_occured:brw reg_root:trw",
     "back_color:iw dont_show_is_valid_for_cancel:brw cmd_descriptions:brw style:iw"]
    + [f"default_button_{c}:tw" for c in _CAPTIONS] + [f"button_{c}:tw" for c in _CAPTIONS]
    + [f"desc_{c}:tw" for c in _CAPTIONS[:7]]
    + ["form_position:bw form_left:fw form_top:fw timer_use:bw timer_seconds:iw",
       "dont_show_again:brw dont_show_again_ticked:brw dont_show_is_manual:brw",
       "dont_show_again_prompt:tw details_button:bw details_string:trw",
       "dont_show_force_button:irw"]))
_ERROR_OPTIONS = _options(101, "last_number:irw last_description:trw last_source:trw "
                               "abort_pending:br support_email:trw last_error_occured:brw "
                               "description:trw number:irw details:trw app_name:trw "
                               "user_name:trw appearance:trw solution:tr activity:trw "
                               "write_debug_log:brw")


class _Object:
    """A message box or error object of the library, with its options as attributes."""

    def __init__(self, prefix, options, values):
        unknown = set(values) - {name for name, row in options.items() if row[3]}
        if unknown:
            raise TypeError(f"{type(self).__name__} has no option {sorted(unknown)[0]!r} to set")
        handle = ctypes.c_void_p()
        check(getattr(lib, f"qvmsgerr_{prefix}_create")(ctypes.byref(handle)))
        object.__setattr__(self, "_prefix", prefix)
        object.__setattr__(self, "_table", options)
        object.__setattr__(self, "_handle", handle)
        object.__setattr__(self, "_closed", False)
        for name, value in values.items():
            setattr(self, name, value)

    def _call(self, function, *arguments):
        check(getattr(lib, f"qvmsgerr_{self._prefix}_{function}")(self._handle, *arguments))

    def __setattr__(self, name, value):
        if name not in self._table or not self._table[name][3]:
            raise AttributeError(f"{type(self).__name__} has no option {name!r} to set")
        number, kind, _, _ = self._table[name]
        convert, setter = _KINDS[kind]
        self._call(f"set_{setter}", number, convert(value, name))

    def __getattr__(self, name):
        if name.startswith("_") or name not in self._table or not self._table[name][2]:
            raise AttributeError(f"{type(self).__name__} has no option {name!r} to read")
        number, kind, _, _ = self._table[name]
        if kind == "t":
            value = ctypes.c_void_p()
            self._call("get_text", number, ctypes.byref(value))
            return text_out(value)
        value = ctypes.c_int32()
        self._call("get_int", number, ctypes.byref(value))
        return bool(value.value) if kind == "b" else value.value

    def close(self):
        """Destroys the object; using it afterwards raises Error 91."""
        object.__setattr__(self, "_closed", True)
        self._call("destroy")

    def __del__(self):
        # Quietly: from another thread, or at the interpreter's end, the thread's end does it.
        try:
            if not self.__dict__.get("_closed", True):
                getattr(lib, f"qvmsgerr_{self._prefix}_destroy")(self._handle)
        except Exception:
            pass

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class MessageBox(_Object):
    """A message box; its options are attributes (button_yes, desc_yes, details_string,
    dont_show_again, style, timer_use, timer_seconds …), one-shot ones reset after each show."""

    def __init__(self, **options):
        super().__init__("msgbox", _MSGBOX_OPTIONS, options)

    def show(self, prompt, buttons=0, title=None, *, help_file="", context=-1, message_id="",
             parent=None):
        """Shows one message and returns the Button chosen. A title of None shows the
        application's title; `parent` is a host window (left, top, width, height) in twips."""
        form = None if parent is None else Form(*(float_in(v, "parent") for v in parent))
        answer = ctypes.c_int32()
        self._call("show", text_in(prompt, "prompt"), int_in(buttons, "buttons"),
                   text_in("~NO~TITLE~" if title is None else title, "title"),
                   text_in(help_file, "help_file"), int_in(context, "context"),
                   text_in(message_id, "message_id"), None if form is None else ctypes.byref(form),
                   ctypes.byref(answer))
        return _button(answer.value)

    def button_name(self, button, lower_case=False):
        name = ctypes.c_void_p()
        self._call("button_name", int_in(button, "button"), bool_in(lower_case, "lower_case"),
                   ctypes.byref(name))
        return text_out(name)

    def remembered_value(self, message_id):
        """The answer remembered for `message_id`; Error 13 when none is."""
        answer = ctypes.c_int32()
        self._call("remembered_value", text_in(message_id, "message_id"), ctypes.byref(answer))
        return _button(answer.value)


class ErrorDialog(_Object):
    """An error object; its options are attributes (app_name, activity, support_email …)."""

    def __init__(self, **options):
        super().__init__("error", _ERROR_OPTIONS, options)
        object.__setattr__(self, "_callbacks", [])

    def show(self, description="", number=0, *, modal=True, details="", solution="",
             activity=""):
        """Shows the error dialog: Button.CLOSE, TRY_AGAIN, IGNORE, or NONE."""
        response = ctypes.c_int32()
        self._call("show", bool_in(modal, "modal"), text_in(description, "description"),
                   int_in(number, "number"), text_in(details, "details"),
                   text_in(solution, "solution"), text_in(activity, "activity"),
                   ctypes.byref(response))
        return _button(response.value)

    def on_abort(self, callback):
        """Calls `callback()` when the user confirms "Close all", before show returns."""
        if not callable(callback):
            raise TypeError("callback must be callable")

        def call(_):
            try:
                callback()
            except BaseException as e:  # raised again when show returns
                keep_exception(e)

        self._callbacks.append(ABORT(call))
        self._call("on_abort", self._callbacks[-1], None)


def ask(prompt, buttons=0, title=None, *, help_file="", context=-1, message_id="", parent=None,
        **options):
    """Shows one message with the MessageBox options given and returns the Button chosen."""
    with MessageBox(**options) as box:
        return box.show(prompt, buttons, title, help_file=help_file, context=context,
                        message_id=message_id, parent=parent)


def show_error(description="", number=0, *, modal=True, details="", solution="", activity="",
               on_abort=None, **options):
    """Shows the error dialog with the ErrorDialog options given; returns the user's decision."""
    with ErrorDialog(**options) as dialog:
        if on_abort is not None:
            dialog.on_abort(on_abort)
        return dialog.show(description, number, modal=modal, details=details, solution=solution,
                           activity=activity)


RememberedAnswer = collections.namedtuple("RememberedAnswer", "message_id stored button")


def _answers(block, count):
    try:
        return [RememberedAnswer(a.message_id.decode("utf-8"), a.stored.decode("utf-8"),
                                 _button(a.button)) for a in block[:count]]
    finally:
        lib.qvmsgerr_free(block)


def remembered_answers():
    """Every answer remembered under the thread's reg_root, in order of identity."""
    block, count = ctypes.POINTER(Answer)(), ctypes.c_size_t()
    check(lib.qvmsgerr_remembered_answers(ctypes.byref(block), ctypes.byref(count)))
    return _answers(block, count.value)


def find_remembered_answer(message_id):
    """The RememberedAnswer for `message_id`, or None."""
    block = ctypes.POINTER(Answer)()
    check(lib.qvmsgerr_find_remembered_answer(text_in(message_id, "message_id"),
                                              ctypes.byref(block)))
    found = _answers(block, 1 if block else 0)
    return found[0] if found else None


def forget_answer(message_id):
    """Forgets the answer remembered for `message_id`; False when there was none."""
    forgotten = ctypes.c_int()
    check(lib.qvmsgerr_forget_answer(text_in(message_id, "message_id"), ctypes.byref(forgotten)))
    return bool(forgotten.value)


def forget_all_answers():
    """Forgets every answer remembered under the thread's reg_root; returns how many."""
    count = ctypes.c_int32()
    check(lib.qvmsgerr_forget_all_answers(ctypes.byref(count)))
    return count.value


def button_set(buttons):
    """The Buttons of the set in the flag word, in the order shown; [] for sets 6 and 7."""
    shown, count = (ctypes.c_int32 * 3)(), ctypes.c_int32()
    check(lib.qvmsgerr_button_set(int_in(buttons, "buttons"), shown, ctypes.byref(count)))
    return [_button(b) for b in shown[:count.value]]


class Window:
    """The user at a window shown on the headless desktop; valid only inside the script."""

    def __init__(self, handle):
        self._handle = handle

    def _call(self, function, *arguments):
        check(getattr(lib, "qvmsgerr_user_" + function)(self._handle, *arguments))

    def _text(self, function, *arguments):
        value = ctypes.c_void_p()
        self._call(function, *arguments, ctypes.byref(value))
        return text_out(value)

    @property
    def name(self):
        """The window's design name: "frmTessary2003", "frmTessaryClassic", "dlgError"."""
        return self._text("window")

    def text(self, control, index=-1):
        """What a control shows: a text area's text, else its caption."""
        return self._text("text", text_in(control, "control"), int_in(index, "index"))

    def count(self, control):
        count = ctypes.c_int32()
        self._call("count", text_in(control, "control"), ctypes.byref(count))
        return count.value

    @property
    def buttons(self):
        """The captions of a message's buttons as a person reads them, in the order shown."""
        return [_shown(self.text("cmdButton", i)) for i in range(self.count("cmdButton"))]

    def press(self, caption):
        """Clicks the message's button that reads `caption` (any letter case)."""
        shown = [b.casefold() for b in self.buttons]
        if caption.casefold() not in shown:
            raise ValueError(f"no button reads {caption!r}: {self.buttons}")
        self.click("cmdButton", shown.index(caption.casefold()))

    def click(self, control, index=-1):
        self._call("click", text_in(control, "control"), int_in(index, "index"))

    def tick(self, control="chkDontShow", ticked=True):
        self._call("tick", text_in(control, "control"), bool_in(ticked, "ticked"))

    def type(self, control, text):
        self._call("type", text_in(control, "control"), text_in(text, "text"))

    def key(self, code, shift=0):
        """A key with its shift state (1 Shift, 2 Ctrl, 4 Alt): 13 Enter, 27 Escape, ord('A')."""
        self._call("key", int_in(code, "code"), int_in(shift, "shift"))

    def advance_seconds(self, seconds):
        self._call("advance_seconds", int_in(seconds, "seconds"))

    def close(self):
        """The title bar's close box."""
        self._call("close")


def _shown(caption):
    """A caption as a person reads it: "&x" as x, "&&" as "&"."""
    return re.sub("&(.)", r"\1", caption)


@contextlib.contextmanager
def headless(script=None, system_answer=None):
    """Gives the calling thread a headless desktop for the block: no window is shown.
    `script(window)` plays the user whenever a window is shown (a qvmsgerr.Window), and
    `system_answer(prompt, title, flags)` answers the standard style's system message box with
    a button number. Without them, each question is answered as its close box would, or by the
    answer file QVMSGERR_ANSWERS. What a script raises comes out of the call that showed the
    window."""
    if script is not None and not callable(script):
        raise TypeError("script must be callable")
    if system_answer is not None and not callable(system_answer):
        raise TypeError("system_answer must be callable")

    def play(user, _):
        try:
            script(Window(user))
            return 0
        except Error as e:
            keep_exception(e)
            return e.number
        except BaseException as e:  # raised again when the library's call returns
            keep_exception(e)
            return 51

    def answer(prompt, title, flags, _):
        try:
            return int(system_answer(prompt.decode("utf-8"), title.decode("utf-8"), flags))
        except BaseException as e:
            keep_exception(e)
            return 0

    callbacks = (SCRIPT(play) if script else SCRIPT(),
                 SYSTEM_ANSWER(answer) if system_answer else SYSTEM_ANSWER())
    check(lib.qvmsgerr_use_headless_desktop(*callbacks, None))
    try:
        yield
    finally:
        check(lib.qvmsgerr_use_default_desktop())
