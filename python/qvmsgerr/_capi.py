"""The C interface of libqvMsgErr through ctypes: loading, signatures, and the checks that turn
statuses into qvmsgerr.Error and Python values into what the C functions take."""

import ctypes
import ctypes.util
import os
import sys
import threading

_NAME = {"darwin": "libqvMsgErr.1.dylib", "win32": "libqvMsgErr.dll"}.get(
    sys.platform, "libqvMsgErr.so.1")


def _load():
    """The library: $QVMSGERR_LIBRARY, else one next to this package, else where the package's
    install put it, else wherever the system's loader finds it."""
    given = os.environ.get("QVMSGERR_LIBRARY")
    if given:
        return ctypes.CDLL(given)
    here = os.path.dirname(os.path.abspath(__file__))
    places = [os.path.join(here, _NAME)]
    try:
        from ._install import LIBRARY
        places.append(os.path.normpath(os.path.join(here, LIBRARY)))
    except ImportError:
        pass
    places += [p for p in (_NAME, ctypes.util.find_library("qvMsgErr")) if p]
    tried = []
    for place in places:
        try:
            return ctypes.CDLL(place)
        except OSError as e:
            tried.append(str(e))
    raise ImportError("qvmsgerr cannot load libqvMsgErr (" + "; ".join(tried) +
                      "); set QVMSGERR_LIBRARY to the library file")


lib = _load()

Status = ctypes.c_int32
Handle = ctypes.c_void_p
Text = ctypes.c_char_p
OutText = ctypes.POINTER(ctypes.c_void_p)
Int = ctypes.c_int32
OutInt = ctypes.POINTER(ctypes.c_int32)


class Form(ctypes.Structure):
    _fields_ = [("left", ctypes.c_float), ("top", ctypes.c_float),
                ("width", ctypes.c_float), ("height", ctypes.c_float)]


class Answer(ctypes.Structure):
    _fields_ = [("message_id", ctypes.c_char_p), ("stored", ctypes.c_char_p),
                ("button", ctypes.c_int32)]


SCRIPT = ctypes.CFUNCTYPE(Status, Handle, ctypes.c_void_p)
SYSTEM_ANSWER = ctypes.CFUNCTYPE(Int, Text, Text, Int, ctypes.c_void_p)
ABORT = ctypes.CFUNCTYPE(None, ctypes.c_void_p)

_SIGNATURES = {
    "last_error": [OutInt, OutText, OutText],
    "msgbox_create": [ctypes.POINTER(Handle)],
    "msgbox_destroy": [Handle],
    "msgbox_set_text": [Handle, Int, Text],
    "msgbox_set_int": [Handle, Int, Int],
    "msgbox_set_float": [Handle, Int, ctypes.c_float],
    "msgbox_get_text": [Handle, Int, OutText],
    "msgbox_get_int": [Handle, Int, OutInt],
    "msgbox_show": [Handle, Text, Int, Text, Text, Int, Text, ctypes.POINTER(Form), OutInt],
    "msgbox_button_name": [Handle, Int, ctypes.c_int, OutText],
    "msgbox_remembered_value": [Handle, Text, OutInt],
    "error_create": [ctypes.POINTER(Handle)],
    "error_destroy": [Handle],
    "error_set_text": [Handle, Int, Text],
    "error_set_int": [Handle, Int, Int],
    "error_get_text": [Handle, Int, OutText],
    "error_get_int": [Handle, Int, OutInt],
    "error_show": [Handle, ctypes.c_int, Text, Int, Text, Text, Text, OutInt],
    "error_on_abort": [Handle, ABORT, ctypes.c_void_p],
    "remembered_answers": [ctypes.POINTER(ctypes.POINTER(Answer)), ctypes.POINTER(ctypes.c_size_t)],
    "find_remembered_answer": [Text, ctypes.POINTER(ctypes.POINTER(Answer))],
    "forget_answer": [Text, ctypes.POINTER(ctypes.c_int)],
    "forget_all_answers": [OutInt],
    "button_set": [Int * 3, OutInt],
    "use_headless_desktop": [SCRIPT, SYSTEM_ANSWER, ctypes.c_void_p],
    "use_default_desktop": [],
    "user_window": [Handle, OutText],
    "user_text": [Handle, Text, Int, OutText],
    "user_count": [Handle, Text, OutInt],
    "user_click": [Handle, Text, Int],
    "user_tick": [Handle, Text, ctypes.c_int],
    "user_type": [Handle, Text, Text],
    "user_key": [Handle, Int, Int],
    "user_advance_seconds": [Handle, Int],
    "user_close": [Handle],
}
for _name, _arguments in _SIGNATURES.items():
    _function = getattr(lib, "qvmsgerr_" + _name)
    _function.argtypes = _arguments
    _function.restype = Status
lib.qvmsgerr_free.argtypes = [ctypes.c_void_p]
lib.qvmsgerr_free.restype = None
lib.qvmsgerr_button_set.argtypes = [Int, ctypes.POINTER(Int), OutInt]


class Error(Exception):
    """A failure of the library: its number, description and source (the trail of procedures,
    outermost first, "qvmsgerr_msgbox_show&MsgBox&ShowMessage&qvMsgErr")."""

    def __init__(self, number, description, source):
        super().__init__(f"{description} (error {number}, {source})")
        self.number = number
        self.description = description
        self.source = source


Error.__module__ = "qvmsgerr"


# What a callback of this thread raised while the library called it: raised again once the
# library's call returns, since nothing may be raised through C.
_pending = threading.local()


def keep_exception(e):
    _pending.exception = e


def check(status):
    """Raises what a callback raised meanwhile, else Error for a failed status."""
    pending = getattr(_pending, "exception", None)
    if pending is not None:
        _pending.exception = None
        raise pending
    if status != 0:
        number, description, source = Int(), ctypes.c_void_p(), ctypes.c_void_p()
        lib.qvmsgerr_last_error(ctypes.byref(number), ctypes.byref(description),
                                ctypes.byref(source))
        raise Error(number.value, text_out(description), text_out(source))


def text_out(pointer):
    """A text the library handed out, released."""
    try:
        return ctypes.string_at(pointer.value).decode("utf-8") if pointer.value else ""
    finally:
        lib.qvmsgerr_free(pointer)


def text_in(value, name):
    if not isinstance(value, str):
        raise TypeError(f"{name} must be str, not {type(value).__name__}")
    if "\0" in value:
        raise ValueError(f"{name} holds a NUL character")
    return value.encode("utf-8")


def int_in(value, name):
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{name} must be int, not {type(value).__name__}")
    if not -2**31 <= value < 2**31:
        raise OverflowError(f"{name} {value} does not fit 32 bits")
    return int(value)


def bool_in(value, name):
    if not isinstance(value, (bool, int)):
        raise TypeError(f"{name} must be bool, not {type(value).__name__}")
    return 1 if value else 0


def float_in(value, name):
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError(f"{name} must be a number, not {type(value).__name__}")
    return float(value)
