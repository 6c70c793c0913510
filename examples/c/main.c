/* clean-backups DIR: asks before it removes an empty backup directory, and shows the error
 * dialog when it cannot. A C program on the library's C interface. */
#include <qvMsgErr/qvMsgErr_c.h>

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

/* Prints the last error of the library and gives the exit status for it. */
static int failed(void) {
    int32_t number = 0;
    char *description = NULL, *source = NULL;
    qvmsgerr_last_error(&number, &description, &source);
    fprintf(stderr, "clean-backups: error %d: %s (%s)\n", (int)number, description, source);
    qvmsgerr_free(description);
    qvmsgerr_free(source);
    return 3;
}

int main(int argc, char** argv) {
    const char* dir = argc > 1 ? argv[1] : "backups";
    char prompt[512];
    snprintf(prompt, sizeof prompt, "Remove the backup directory %s?", dir);

    qvmsgerr_msgbox* box = NULL;
    int32_t answer = 0;
    if (qvmsgerr_msgbox_create(&box) != QVMSGERR_OK ||
        qvmsgerr_msgbox_set_int(box, QVMSGERR_MSGBOX_TYPE, QVMSGERR_STYLE_2003) != QVMSGERR_OK ||
        qvmsgerr_msgbox_set_text(box, QVMSGERR_BUTTON_YES, "&Remove") != QVMSGERR_OK ||
        qvmsgerr_msgbox_set_text(box, QVMSGERR_BUTTON_NO, "&Keep") != QVMSGERR_OK ||
        qvmsgerr_msgbox_show(box, prompt, QVMSGERR_YES_NO | QVMSGERR_QUESTION, "Backups", "", -1,
                             "RemoveBackups", NULL, &answer) != QVMSGERR_OK) {
        const int status = failed();
        qvmsgerr_msgbox_destroy(box);
        return status;
    }
    char* name = NULL;
    if (qvmsgerr_msgbox_button_name(box, answer, 0, &name) == QVMSGERR_OK) {
        printf("Answer: %s\n", name);
        qvmsgerr_free(name);
    }
    qvmsgerr_msgbox_destroy(box);
    if (answer != QVMSGERR_ANSWER_YES) {
        return 0;
    }
    if (rmdir(dir) == 0) {
        printf("Removed %s\n", dir);
        return 0;
    }
    /* The error dialog: the user reads why and decides; here any decision ends the program. */
    const int number = errno == ENOENT ? 76 : errno == EACCES ? 70 : 75;
    qvmsgerr_error* error = NULL;
    int32_t response = 0;
    if (qvmsgerr_error_create(&error) != QVMSGERR_OK ||
        qvmsgerr_error_set_text(error, QVMSGERR_ERROR_APP_NAME, "clean-backups") != QVMSGERR_OK ||
        qvmsgerr_error_show(error, 1, strerror(errno), number, dir, "", "removing the backups",
                            &response) != QVMSGERR_OK) {
        return failed();
    }
    qvmsgerr_error_destroy(error);
    printf("Not removed\n");
    return 1;
}
