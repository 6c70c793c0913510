/* The library for C and for other languages' bindings.
 *
 *     qvmsgerr_msgbox* box;
 *     int32_t answer;
 *     if (qvmsgerr_msgbox_create(&box) == QVMSGERR_OK) {
 *         qvmsgerr_msgbox_set_int(box, QVMSGERR_MSGBOX_TYPE, QVMSGERR_STYLE_2003);
 *         qvmsgerr_msgbox_set_text(box, QVMSGERR_BUTTON_YES, "&Save");
 *         if (qvmsgerr_msgbox_show(box, "Save the changes?", QVMSGERR_YES_NO | QVMSGERR_QUESTION,
 *                                  "Ledger", "", -1, "SaveOnClose", NULL, &answer) != QVMSGERR_OK)
 *             report_last_error();
 *         qvmsgerr_msgbox_destroy(box);
 *     }
 *
 * Rules every function keeps:
 * - The result is a status: QVMSGERR_OK (0), or the number of the error that stopped the call
 *   (5 "Invalid procedure call or argument", qvMsgErr's own negative numbers …).
 *   qvmsgerr_last_error then gives its number, description and source; every call but
 *   qvmsgerr_last_error and qvmsgerr_free sets it, to number 0 when it succeeds. Nothing is ever
 *   thrown or aborted across this interface.
 * - Strings in are NUL-terminated UTF-8; NULL and text that is not UTF-8 are refused with 5.
 *   Strings out are NUL-terminated UTF-8 that the library allocates: release each with
 *   qvmsgerr_free. Every other pointer out, too, is the caller's to release that way.
 * - Booleans are int: 0 is false, anything else true; reads give 0 or 1.
 * - An object belongs to the thread that created it, as the library's state does: using or
 *   destroying it from another thread is refused with 5. Objects still alive when their thread
 *   ends are destroyed with it.
 * - A NULL handle, and a handle that was destroyed, is refused with 91 "Object variable or With
 *   block variable not set"; never undefined behaviour. Destroying NULL does nothing.
 * - Positions are in twips (1440 to the inch); colours are 0x00BBGGRR, a value with the high bit
 *   set naming a system colour.
 */
#ifndef QVMSGERR_C_H
#define QVMSGERR_C_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t qvmsgerr_status;
#define QVMSGERR_OK 0

/* ---- errors and memory ------------------------------------------------------------------- */

/* The outcome of the calling thread's last call: its number (0 success), description and source
 * (the trail of procedures, "qvmsgerr_msgbox_show&MsgBox&ShowMessage&qvMsgErr"). Any of the
 * three may be NULL when not wanted. */
qvmsgerr_status qvmsgerr_last_error(int32_t* number, char** description, char** source);
/* Releases what the library handed out; NULL does nothing. */
void qvmsgerr_free(void* block);

/* ---- flag words and answers -------------------------------------------------------------- */

enum {
    QVMSGERR_OK_ONLY = 0,
    QVMSGERR_OK_CANCEL = 1,
    QVMSGERR_ABORT_RETRY_IGNORE = 2,
    QVMSGERR_YES_NO_CANCEL = 3,
    QVMSGERR_YES_NO = 4,
    QVMSGERR_RETRY_CANCEL = 5,
    QVMSGERR_CRITICAL = 16,
    QVMSGERR_QUESTION = 32,
    QVMSGERR_EXCLAMATION = 48,
    QVMSGERR_INFORMATION = 64,
    QVMSGERR_DEFAULT_BUTTON2 = 0x100,
    QVMSGERR_DEFAULT_BUTTON3 = 0x200,
    QVMSGERR_DEFAULT_BUTTON4 = 0x300,
    QVMSGERR_HELP_BUTTON = 0x4000
};

/* Answers: the button chosen. The error dialog answers 3 Close, 4 Try Again, 5 Ignore. */
enum {
    QVMSGERR_NONE = 0,
    QVMSGERR_ANSWER_OK = 1,
    QVMSGERR_ANSWER_CANCEL = 2,
    QVMSGERR_ANSWER_ABORT = 3,
    QVMSGERR_ANSWER_RETRY = 4,
    QVMSGERR_ANSWER_IGNORE = 5,
    QVMSGERR_ANSWER_YES = 6,
    QVMSGERR_ANSWER_NO = 7
};

/* Window styles (property QVMSGERR_MSGBOX_TYPE). */
enum { QVMSGERR_STYLE_STANDARD = 0, QVMSGERR_STYLE_CLASSIC = 1, QVMSGERR_STYLE_2003 = 2 };

/* The title argument that shows the application's title. */
#define QVMSGERR_NO_TITLE "~NO~TITLE~"

/* ---- message boxes ----------------------------------------------------------------------- */

typedef struct qvmsgerr_msgbox qvmsgerr_msgbox;

/* The options of a message box. Kinds: T text, I int, B boolean (int), F float; r readable,
 * w writable. Reading a write-only option, or writing one with the other kind's function, is
 * refused with 438 or 13. */
enum qvmsgerr_msgbox_property {
    QVMSGERR_USE_SOUNDS = 1,                /* B rw, one-shot */
    QVMSGERR_TIMER_COUNTDOWN_CAPTION,       /* T rw */
    QVMSGERR_TIME_OUT_OCCURED,              /* B rw */
    QVMSGERR_REG_ROOT,                      /* T rw, shared by the thread */
    QVMSGERR_BACK_COLOR,                    /* I w */
    QVMSGERR_DONT_SHOW_IS_VALID_FOR_CANCEL, /* B rw, one-shot */
    QVMSGERR_CMD_DESCRIPTIONS,              /* B rw, one-shot */
    QVMSGERR_MSGBOX_TYPE,                   /* I w: QVMSGERR_STYLE_… */
    QVMSGERR_DEFAULT_BUTTON_OK,             /* T w: standing captions, OK … Details */
    QVMSGERR_DEFAULT_BUTTON_CANCEL,
    QVMSGERR_DEFAULT_BUTTON_ABORT,
    QVMSGERR_DEFAULT_BUTTON_RETRY,
    QVMSGERR_DEFAULT_BUTTON_IGNORE,
    QVMSGERR_DEFAULT_BUTTON_YES,
    QVMSGERR_DEFAULT_BUTTON_NO,
    QVMSGERR_DEFAULT_BUTTON_HELP,
    QVMSGERR_DEFAULT_BUTTON_DETAILS,
    QVMSGERR_BUTTON_OK, /* T w: captions for the next message, OK … Details */
    QVMSGERR_BUTTON_CANCEL,
    QVMSGERR_BUTTON_ABORT,
    QVMSGERR_BUTTON_RETRY,
    QVMSGERR_BUTTON_IGNORE,
    QVMSGERR_BUTTON_YES,
    QVMSGERR_BUTTON_NO,
    QVMSGERR_BUTTON_HELP,
    QVMSGERR_BUTTON_DETAILS,
    QVMSGERR_DESC_OK, /* T w: descriptions beside the buttons, OK … No */
    QVMSGERR_DESC_CANCEL,
    QVMSGERR_DESC_ABORT,
    QVMSGERR_DESC_RETRY,
    QVMSGERR_DESC_IGNORE,
    QVMSGERR_DESC_YES,
    QVMSGERR_DESC_NO,
    QVMSGERR_FORM_POSITION,          /* B w, one-shot */
    QVMSGERR_FORM_LEFT,              /* F w */
    QVMSGERR_FORM_TOP,               /* F w */
    QVMSGERR_TIMER_USE,              /* B w, one-shot */
    QVMSGERR_TIMER_SECONDS,          /* I w */
    QVMSGERR_DONT_SHOW_AGAIN,        /* B rw, one-shot */
    QVMSGERR_DONT_SHOW_AGAIN_TICKED, /* B rw */
    QVMSGERR_DONT_SHOW_IS_MANUAL,    /* B rw, one-shot */
    QVMSGERR_DONT_SHOW_AGAIN_PROMPT, /* T w, one-shot */
    QVMSGERR_DETAILS_BUTTON,         /* B w, one-shot */
    QVMSGERR_DETAILS_STRING,         /* T rw, one-shot */
    QVMSGERR_DONT_SHOW_FORCE_BUTTON  /* I rw, one-shot: an answer, QVMSGERR_NONE the user's */
};

qvmsgerr_status qvmsgerr_msgbox_create(qvmsgerr_msgbox** box);
qvmsgerr_status qvmsgerr_msgbox_destroy(qvmsgerr_msgbox* box);
qvmsgerr_status qvmsgerr_msgbox_set_text(qvmsgerr_msgbox* box, int32_t property, const char* value);
qvmsgerr_status qvmsgerr_msgbox_set_int(qvmsgerr_msgbox* box, int32_t property, int32_t value);
qvmsgerr_status qvmsgerr_msgbox_set_float(qvmsgerr_msgbox* box, int32_t property, float value);
qvmsgerr_status qvmsgerr_msgbox_get_text(qvmsgerr_msgbox* box, int32_t property, char** value);
qvmsgerr_status qvmsgerr_msgbox_get_int(qvmsgerr_msgbox* box, int32_t property, int32_t* value);

/* A host window to centre the message on: outer position and size in twips. */
typedef struct qvmsgerr_form {
    float left, top, width, height;
} qvmsgerr_form;

/* Shows one message and stores the button chosen in *answer. `buttons` is the flag word (button
 * set, icon, default button, Help button); `title` QVMSGERR_NO_TITLE shows the application's
 * title; `context` -1 is none; a `message_id` names the message for "Don't show this message
 * again"; `parent` may be NULL (centred on the screen). */
qvmsgerr_status qvmsgerr_msgbox_show(qvmsgerr_msgbox* box, const char* prompt, int32_t buttons,
                                     const char* title, const char* help_file, int32_t context,
                                     const char* message_id, const qvmsgerr_form* parent,
                                     int32_t* answer);
/* The fixed English name of an answer ("OK" … "No", "Unknown"). */
qvmsgerr_status qvmsgerr_msgbox_button_name(qvmsgerr_msgbox* box, int32_t answer, int lower_case,
                                            char** name);
/* The answer remembered for `message_id`; 13 when none is. */
qvmsgerr_status qvmsgerr_msgbox_remembered_value(qvmsgerr_msgbox* box, const char* message_id,
                                                 int32_t* answer);

/* ---- errors shown to the user ------------------------------------------------------------ */

typedef struct qvmsgerr_error qvmsgerr_error;

enum qvmsgerr_error_property {
    QVMSGERR_ERROR_LAST_NUMBER = 101,  /* I rw */
    QVMSGERR_ERROR_LAST_DESCRIPTION,   /* T rw */
    QVMSGERR_ERROR_LAST_SOURCE,        /* T rw */
    QVMSGERR_ERROR_ABORT_PENDING,      /* B r */
    QVMSGERR_ERROR_SUPPORT_EMAIL,      /* T rw */
    QVMSGERR_ERROR_LAST_ERROR_OCCURED, /* B rw */
    QVMSGERR_ERROR_DESCRIPTION,        /* T rw */
    QVMSGERR_ERROR_NUMBER,             /* I rw */
    QVMSGERR_ERROR_DETAILS,            /* T rw */
    QVMSGERR_ERROR_APP_NAME,           /* T rw */
    QVMSGERR_ERROR_USER_NAME,          /* T rw */
    QVMSGERR_ERROR_APPEARANCE,         /* T rw */
    QVMSGERR_ERROR_SOLUTION,           /* T r */
    QVMSGERR_ERROR_ACTIVITY,           /* T rw */
    QVMSGERR_ERROR_WRITE_DEBUG_LOG     /* B rw */
};

qvmsgerr_status qvmsgerr_error_create(qvmsgerr_error** error);
qvmsgerr_status qvmsgerr_error_destroy(qvmsgerr_error* error);
qvmsgerr_status qvmsgerr_error_set_text(qvmsgerr_error* error, int32_t property, const char* value);
qvmsgerr_status qvmsgerr_error_set_int(qvmsgerr_error* error, int32_t property, int32_t value);
qvmsgerr_status qvmsgerr_error_get_text(qvmsgerr_error* error, int32_t property, char** value);
qvmsgerr_status qvmsgerr_error_get_int(qvmsgerr_error* error, int32_t property, int32_t* value);
/* Shows the error dialog; *response is 3 Close, 4 Try Again, 5 Ignore or 0. Empty texts and
 * number 0 fall back on the properties. */
qvmsgerr_status qvmsgerr_error_show(qvmsgerr_error* error, int modal, const char* description,
                                    int32_t number, const char* details, const char* solution,
                                    const char* activity, int32_t* response);
/* Calls `callback(context)` when the user confirms "Close all", before qvmsgerr_error_show
 * returns. Several callbacks may be connected. */
qvmsgerr_status qvmsgerr_error_on_abort(qvmsgerr_error* error, void (*callback)(void* context),
                                        void* context);

/* ---- remembered answers ------------------------------------------------------------------ */

typedef struct qvmsgerr_answer {
    char* message_id; /* as first stored */
    char* stored;     /* the stored text */
    int32_t button;   /* the answer it names, QVMSGERR_NONE for none */
} qvmsgerr_answer;

/* Every answer remembered under the thread's Reg_Root, in order of identity: one block that
 * qvmsgerr_free releases whole (NULL when there are none). */
qvmsgerr_status qvmsgerr_remembered_answers(qvmsgerr_answer** answers, size_t* count);
/* The answer remembered for `message_id`, or NULL; release it with qvmsgerr_free. */
qvmsgerr_status qvmsgerr_find_remembered_answer(const char* message_id, qvmsgerr_answer** answer);
qvmsgerr_status qvmsgerr_forget_answer(const char* message_id, int* forgotten);
qvmsgerr_status qvmsgerr_forget_all_answers(int32_t* count);
/* The answers of the set in `buttons`, in the order shown; *count 0 for sets 6 and 7. */
qvmsgerr_status qvmsgerr_button_set(int32_t buttons, int32_t set[3], int32_t* count);

/* ---- the thread's desktop ---------------------------------------------------------------- */

/* The user acting on a window shown modally: valid only inside the script's call. */
typedef struct qvmsgerr_user qvmsgerr_user;
/* Runs whenever a window is shown modally. A status other than QVMSGERR_OK ends the window, and
 * the call that showed it fails with that status. */
typedef qvmsgerr_status (*qvmsgerr_script)(qvmsgerr_user* user, void* context);
/* Answers a system message box (the standard style) with a button number. */
typedef int32_t (*qvmsgerr_system_answer)(const char* prompt, const char* title, int32_t flags,
                                          void* context);

/* Gives the calling thread a headless desktop: no window is shown; `script` plays the user and
 * `system_answer` answers system message boxes. With neither, questions are answered unattended
 * (an answer file, else the close box). Either may be NULL. */
qvmsgerr_status qvmsgerr_use_headless_desktop(qvmsgerr_script script,
                                              qvmsgerr_system_answer system_answer, void* context);
/* Gives the calling thread its default desktop back (real windows where a person can see them). */
qvmsgerr_status qvmsgerr_use_default_desktop(void);

/* Design name of the window ("frmTessary2003", "frmTessaryClassic", "dlgError"). */
qvmsgerr_status qvmsgerr_user_window(qvmsgerr_user* user, char** name);
/* The text a control shows: a text area's text, else its caption. `index` -1 for a plain
 * control, else the element of a control array. */
qvmsgerr_status qvmsgerr_user_text(qvmsgerr_user* user, const char* control, int32_t index,
                                   char** text);
/* How many elements the control array `control` has (0 when none). */
qvmsgerr_status qvmsgerr_user_count(qvmsgerr_user* user, const char* control, int32_t* count);
qvmsgerr_status qvmsgerr_user_click(qvmsgerr_user* user, const char* control, int32_t index);
qvmsgerr_status qvmsgerr_user_tick(qvmsgerr_user* user, const char* control, int ticked);
qvmsgerr_status qvmsgerr_user_type(qvmsgerr_user* user, const char* control, const char* text);
/* A key with its shift state (1 Shift, 2 Ctrl, 4 Alt added): 13 Enter, 27 Escape, 'A' … */
qvmsgerr_status qvmsgerr_user_key(qvmsgerr_user* user, int32_t key, int32_t shift);
qvmsgerr_status qvmsgerr_user_advance_seconds(qvmsgerr_user* user, int32_t seconds);
qvmsgerr_status qvmsgerr_user_close(qvmsgerr_user* user);

#ifdef __cplusplus
}
#endif

#endif /* QVMSGERR_C_H */
