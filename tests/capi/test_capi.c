/* The C interface from C: compiled as C99 with -pedantic, so the header is proven C-clean. Bad
 * input of every kind gives a status and the last error, never a crash. */
#define _POSIX_C_SOURCE 200809L
#include <qvMsgErr/qvMsgErr_c.h>

#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures;

/* The call failed with `number`, and the last error says so, naming `function` first. */
static void expect(qvmsgerr_status status, int32_t number, const char* function, int line) {
    int32_t last = -1;
    char *description = NULL, *source = NULL;
    qvmsgerr_last_error(&last, &description, &source);
    if (status != number || last != number ||
        (number != 0 && strncmp(source, function, strlen(function)) != 0)) {
        fprintf(stderr, "line %d: status %d, last %d (%s; %s), expected %d from %s\n", line,
                (int)status, (int)last, description, source, (int)number, function);
        ++failures;
    }
    qvmsgerr_free(description);
    qvmsgerr_free(source);
}
#define EXPECT(call, number, function) expect((call), (number), function, __LINE__)

/* The scripted user: answers the message with its second button, after reading it. */
static qvmsgerr_status answer_second(qvmsgerr_user* user, void* seen) {
    char* prompt = NULL;
    qvmsgerr_status status = qvmsgerr_user_text(user, "lblPrompt", -1, &prompt);
    if (status == QVMSGERR_OK) {
        strncpy((char*)seen, prompt, 63);
        qvmsgerr_free(prompt);
        status = qvmsgerr_user_click(user, "cmdButton", 1);
    }
    return status;
}
/* A script whose step fails: the message fails with that step's error. */
static qvmsgerr_status click_nothing(qvmsgerr_user* user, void* unused) {
    (void)unused;
    return qvmsgerr_user_click(user, "cmdNothing", -1);
}

static void* use_from_other_thread(void* box) {
    EXPECT(qvmsgerr_msgbox_set_int(box, QVMSGERR_TIMER_SECONDS, 3), 5, "qvmsgerr_msgbox_set_int");
    EXPECT(qvmsgerr_msgbox_destroy(box), 5, "qvmsgerr_msgbox_destroy");
    qvmsgerr_msgbox* own = NULL;
    EXPECT(qvmsgerr_msgbox_create(&own), 0, "");
    return own; /* left alive: the thread's end destroys it */
}

int main(void) {
    char dir[] = "/tmp/qvmsgerr-capi-XXXXXX", store[64], seen[64] = "";
    snprintf(store, sizeof store, "%s/registry.db", mkdtemp(dir));
    setenv("QVMSGERR_REGISTRY", store, 1);

    qvmsgerr_msgbox *box = NULL, *gone = NULL;
    qvmsgerr_error* error = NULL;
    int32_t answer = 0, set[3], count = 0;
    char* text = NULL;
    EXPECT(qvmsgerr_use_headless_desktop(NULL, NULL, NULL), 0, "");
    EXPECT(qvmsgerr_msgbox_create(&box), 0, "");
    EXPECT(qvmsgerr_msgbox_create(&gone), 0, "");
    EXPECT(qvmsgerr_msgbox_destroy(gone), 0, "");
    EXPECT(qvmsgerr_error_create(&error), 0, "");

    /* Handles: NULL and destroyed are 91, the other class's 13; destroying NULL is nothing. */
    const struct {
        qvmsgerr_msgbox* handle;
        int32_t number;
    } handles[] = {{NULL, 91}, {NULL, 91}, {(qvmsgerr_msgbox*)error, 13}};
    for (size_t i = 0; i < sizeof handles / sizeof *handles; ++i) {
        qvmsgerr_msgbox* h = i == 1 ? gone : handles[i].handle;
        EXPECT(qvmsgerr_msgbox_set_int(h, QVMSGERR_TIMER_SECONDS, 1), handles[i].number,
               "qvmsgerr_msgbox_set_int");
        EXPECT(qvmsgerr_msgbox_show(h, "p", 0, "t", "", -1, "", NULL, &answer), handles[i].number,
               "qvmsgerr_msgbox_show");
        EXPECT(qvmsgerr_error_get_int((qvmsgerr_error*)h, QVMSGERR_ERROR_NUMBER, &count),
               h == (qvmsgerr_msgbox*)error ? 0 : handles[i].number, "qvmsgerr_error_get_int");
    }
    EXPECT(qvmsgerr_msgbox_destroy(gone), 91, "qvmsgerr_msgbox_destroy");
    EXPECT(qvmsgerr_msgbox_destroy(NULL), 0, "");
    EXPECT(qvmsgerr_user_close(NULL), 91, "qvmsgerr_user_close");

    /* Texts in: NULL and anything that is not UTF-8 are 5; U+FFFD itself and ä are text. */
    const struct {
        const char* text;
        int32_t number;
    } texts[] = {{NULL, 5},
                 {"\xC3", 5},
                 {"ok\xC0\xAF", 5},
                 {"\xED\xA0\x80", 5},
                 {"\xF4\x90\x80\x80", 5},
                 {"\xEF\xBF\xBD", 0},
                 {"B\xC3\xA4r", 0}};
    for (size_t i = 0; i < sizeof texts / sizeof *texts; ++i) {
        EXPECT(qvmsgerr_msgbox_set_text(box, QVMSGERR_BUTTON_OK, texts[i].text), texts[i].number,
               "qvmsgerr_msgbox_set_text");
        EXPECT(qvmsgerr_error_show(error, 1, "d", 5, texts[i].text, "", "", &answer),
               texts[i].number == 0 ? 0 : 5, "qvmsgerr_error_show");
    }
    /* Options: a wrong kind is 13, a read of a write-only option or an unknown one 438. */
    EXPECT(qvmsgerr_msgbox_set_text(box, QVMSGERR_TIMER_SECONDS, "3"), 13,
           "qvmsgerr_msgbox_set_text");
    EXPECT(qvmsgerr_msgbox_get_int(box, QVMSGERR_TIMER_SECONDS, &count), 438,
           "qvmsgerr_msgbox_get_int");
    EXPECT(qvmsgerr_error_set_int(error, QVMSGERR_ERROR_SOLUTION, 1), 438,
           "qvmsgerr_error_set_int");
    EXPECT(qvmsgerr_msgbox_get_text(box, QVMSGERR_ERROR_NUMBER, &text), 438,
           "qvmsgerr_msgbox_get_text");
    EXPECT(qvmsgerr_msgbox_get_text(box, QVMSGERR_REG_ROOT, NULL), 5, "qvmsgerr_msgbox_get_text");
    EXPECT(qvmsgerr_button_set(QVMSGERR_YES_NO_CANCEL, set, &count), 0, "");
    if (count != 3 || set[0] != QVMSGERR_ANSWER_YES || set[2] != QVMSGERR_ANSWER_CANCEL) {
        fprintf(stderr, "button set %d: %d … %d\n", (int)count, (int)set[0], (int)set[2]);
        ++failures;
    }

    /* Another thread may neither use nor destroy the box; what it leaves goes with it. */
    pthread_t thread;
    void* left = NULL;
    pthread_create(&thread, NULL, use_from_other_thread, box);
    pthread_join(thread, &left);
    EXPECT(qvmsgerr_msgbox_destroy(left), 91, "qvmsgerr_msgbox_destroy");

    /* A scripted message, remembered; then a script whose step fails. */
    EXPECT(qvmsgerr_use_headless_desktop(answer_second, NULL, seen), 0, "");
    EXPECT(qvmsgerr_msgbox_set_int(box, QVMSGERR_MSGBOX_TYPE, QVMSGERR_STYLE_2003), 0, "");
    EXPECT(qvmsgerr_msgbox_set_int(box, QVMSGERR_DONT_SHOW_AGAIN, 1), 0, "");
    EXPECT(qvmsgerr_msgbox_set_int(box, QVMSGERR_DONT_SHOW_AGAIN_TICKED, 1), 0, "");
    EXPECT(qvmsgerr_msgbox_show(box, "Sp\xC3\xA4ter?", QVMSGERR_YES_NO, "T", "", -1, "Later", NULL,
                                &answer),
           0, "");
    qvmsgerr_answer* found = NULL;
    EXPECT(qvmsgerr_find_remembered_answer("later", &found), 0, "");
    if (answer != QVMSGERR_ANSWER_NO || strcmp(seen, "Sp\xC3\xA4ter?") != 0 || !found ||
        found->button != QVMSGERR_ANSWER_NO || strcmp(found->message_id, "later") != 0) {
        fprintf(stderr, "answered %d to \"%s\", remembered %d\n", (int)answer, seen,
                found ? (int)found->button : -1);
        ++failures;
    }
    qvmsgerr_free(found);
    EXPECT(qvmsgerr_use_headless_desktop(click_nothing, NULL, NULL), 0, "");
    EXPECT(qvmsgerr_msgbox_set_int(box, QVMSGERR_MSGBOX_TYPE, QVMSGERR_STYLE_CLASSIC), 0, "");
    EXPECT(qvmsgerr_msgbox_show(box, "p", QVMSGERR_OK_CANCEL, "t", "", -1, "", NULL, &answer), 438,
           "qvmsgerr_msgbox_show&MsgBox&");

    EXPECT(qvmsgerr_use_default_desktop(), 0, "");
    EXPECT(qvmsgerr_error_destroy(error), 0, "");
    EXPECT(qvmsgerr_msgbox_destroy(box), 0, "");
    return failures == 0 ? 0 : 1;
}
