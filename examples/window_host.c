/*
 * An example host program that shows the library's windows itself.
 *
 *     window_host NETWORK OUTPUT
 *
 * It takes over the message boxes, the windows, the result windows and the help requests
 * through the hooks of quenvar.h and runs the adjustment window on NETWORK: it moves the first
 * known point by one millimetre in the network text, looks at the plane and the height
 * closures, presses "平差", chooses the iterated adjustment with three passes in the method
 * dialog, answers the save question with Yes and so has the adjusted points saved to OUTPUT.
 * It prints what it sees (ids and counts; the library's texts are GBK) and exits with 0 when
 * the windows ended as expected.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "quenvar.h"

struct Session {
    int windowsSeen[8];
    int windowCount;
    int questions;
    int resultBoxes;
    int closureWindows;
};

static int OnMessage(const char* text, const char* caption, int kind, void* context) {
    struct Session* session = (struct Session*)context;
    (void)text;
    if (kind == 2) {
        ++session->questions;
        printf("question answered yes\n");
        return 1;
    }
    if (kind == 1) {
        /* "平差结果" in GBK: the result box of an adjustment. */
        if (strcmp(caption, "\xC6\xBD\xB2\xEE\xBD\xE1\xB9\xFB") == 0) ++session->resultBoxes;
        printf("message box (%d bytes of text)\n", (int)strlen(text));
    }
    return 1;
}

/* Reads a control's whole text into a new buffer. */
static char* ControlText(const zrWindow* window, int id) {
    const int length = zrGetControlText(window, id, NULL, 0);
    char* text;
    if (length < 0) return NULL;
    text = (char*)malloc((size_t)length + 1);
    if (text) zrGetControlText(window, id, text, length + 1);
    return text;
}

static void ListControls(const zrWindow* window) {
    int i;
    for (i = 0; zrWindowControlId(window, i) >= 0; ++i) {
        const int id = zrWindowControlId(window, i);
        printf("  control %d kind %d state %d\n", id, zrControlKind(window, id), zrControlState(window, id));
    }
}

/* Moves the first known point by 1 mm in X: its X is the third field of the line after "<<". */
static void EditNetworkText(zrWindow* window) {
    char* text = ControlText(window, 108);
    char* line;
    char name[8];
    int classes;
    double x, y, h;
    char* edited;
    size_t head, tailStart;
    if (!text) return;
    line = strstr(text, "\r\n");
    if (line && sscanf(line + 2, "%7s %d %lf %lf %lf", name, &classes, &x, &y, &h) == 5) {
        line += 2;
        tailStart = strcspn(line, "\r");
        head = (size_t)(line - text);
        edited = (char*)malloc(strlen(text) + 64);
        if (edited) {
            memcpy(edited, text, head);
            sprintf(edited + head, "%-5s %02d %.6f %.6f %.6f", name, classes, x + 0.001, y, h);
            strcat(edited, line + tailStart);
            printf("moved %s to X = %.6f\n", name, x + 0.001);
            zrSetControlText(window, 108, edited);
            free(edited);
        }
    }
    free(text);
}

static int OnWindow(zrWindow* window, zrWindow* parent, void* context) {
    struct Session* session = (struct Session*)context;
    const int id = zrWindowId(window);
    if (session->windowCount < 8) session->windowsSeen[session->windowCount++] = id;
    printf("window %d opened%s\n", id, parent ? " over another window" : "");
    ListControls(window);
    if (id == 117) {
        EditNetworkText(window);
        zrPressButton(window, 24000); /* "平面闭合差" */
        zrPressButton(window, 24001); /* "高程闭合差" */
        zrPressButton(window, 1); /* "平差" */
        if (zrWindowResult(window) == -1) zrPressButton(window, 2);
    } else if (id == 106 || id == 107) {
        printf("  %d methods, method %d selected\n", zrGetListCount(window, 103), zrGetListSelection(window, 103));
        zrSetControlText(window, 102, "3");
        zrSelectListItem(window, 103, 6); /* iterated adjustment */
        zrPressButton(window, 1);         /* "开始平差" */
    }
    printf("window %d ended with %d\n", id, zrWindowResult(window));
    return 1;
}

/* A closure window: its table, and the details of the first loop. */
static void OnResultWindow(const zrResultWindow* window, void* context) {
    struct Session* session = (struct Session*)context;
    int details = window->lineCount > 1 ? window->select(window->window, 1) : -1;
    ++session->closureWindows;
    printf("closure window: %d loops, %d detail lines for the first\n", window->lineCount - 1, details);
}

static void OnHelp(unsigned int helpContext, int command, void* context) {
    (void)context;
    printf("help topic 0x%X, command %d\n", helpContext, command);
}

int main(int argc, char** argv) {
    struct Session session;
    int result;
    FILE* saved;
    if (argc != 3) {
        fprintf(stderr, "usage: window_host NETWORK OUTPUT\n");
        return 2;
    }
    memset(&session, 0, sizeof session);
    zrSetMessageHook(OnMessage, &session);
    zrSetWindowHook(OnWindow, &session);
    zrSetHelpHook(OnHelp, &session);
    zrSetResultWindowHook(OnResultWindow, &session);

    result = OnTextEditor(argv[1], argv[2]);
    printf("OnTextEditor returned %d\n", result);

    saved = fopen(argv[2], "rb");
    if (saved) fclose(saved);
    if (result != 1 || !saved || session.windowCount != 2 || session.windowsSeen[0] != 117 ||
        session.windowsSeen[1] != 106 || session.questions != 1 || session.resultBoxes != 2 ||
        session.closureWindows != 2) {
        fprintf(stderr, "window_host: the adjustment window did not end as expected\n");
        return 1;
    }
    return 0;
}
