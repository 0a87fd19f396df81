/*
 * quenvar — survey control network processing for a host application.
 *
 * The library keeps one network in process-wide storage. Load it with zrLoadData, work on it
 * with the calculation, closure, adjustment and report functions, save it with zrSaveData and
 * release it with zrFreeData. Strings crossing this boundary are NUL-terminated GBK text;
 * paths are opened unchanged. Results are 1 for success and 0 for failure unless stated.
 * All calls must come from one thread.
 */
#ifndef QUENVAR_H
#define QUENVAR_H

#if defined(QUENVAR_BUILDING)
#define QUENVAR_API __attribute__((visibility("default")))
#else
#define QUENVAR_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Network files ------------------------------------------------------------------- */

/* Loads a binary database file, a text observation file or a comma-separated pair into the
 * network; a null path gives an empty network. 1 if loaded. */
QUENVAR_API int zrLoadData(const char* path);
/* Writes the network in the format chosen by the last four characters of the path: ".txt",
 * ".coo" or ".msm" (any case) text, ".WCO" or ".wco" the comma-separated pair, anything else
 * the binary database file; pointsOnly (low 16 bits) makes the text writer write the points
 * alone. 1 if written. */
QUENVAR_API int zrSaveData(const char* path, int pointsOnly);
/* Releases the network; harmless when nothing is loaded. */
QUENVAR_API void zrFreeData(void);

/* ---- Adjustment parameters ----------------------------------------------------------- */

/* Stores one a-priori error: kind 1 directions (arc-seconds), 2 distance fixed part
 * (millimetres), 3 distance scale part (ppm), 4 levelling (millimetres), 5 trigonometric
 * heights (millimetres); which = 0 the ordinary field, otherwise the class-4 field. */
QUENVAR_API void zrSetAdjustmentParam(int kind, double value, int which);

/* ---- Approximate coordinates and heights -------------------------------------------- */

QUENVAR_API int zrXYCalculate(void);
QUENVAR_API int zrHCalculate(void);

/* ---- Adjustment ---------------------------------------------------------------------- */

/* method: 0 single (run as iterated through this entry), 1-5 and 7 robust and variance
 * component schemes, 6 iterated; iterations: the most passes to run. 1 on success. */
QUENVAR_API int zrXYAdjustment(int method, int iterations);
QUENVAR_API int zrHAdjustment(int method, int iterations);

/* ---- Closures ------------------------------------------------------------------------ */

QUENVAR_API void zrXYCloseErrorWindow(void);
QUENVAR_API void zrHCloseErrorWindow(void);
QUENVAR_API int zrXYCloseErrorReport(const char* path);
QUENVAR_API int zrHCloseErrorReport(const char* path);

/* ---- Reports ------------------------------------------------------------------------- */

QUENVAR_API int zrRawAnalyseAfterAdj(const char* path);
QUENVAR_API int zrReportOnNetwork(const char* path);
QUENVAR_API int zrReportOnAdjusetment(const char* path);
QUENVAR_API int zrReportOnPointAdj(const char* path);
QUENVAR_API int zrReportOnObserveAdj(const char* path);

/* ---- Adjustment window --------------------------------------------------------------- */

QUENVAR_API int OnTextEditor(const char* loadPath, const char* savePath);
QUENVAR_API int zrAdjustmentWindow(const char* loadPath, const char* savePath);

/* ---- Design networks (extension) ----------------------------------------------------- */

/* Marks the loaded network as a planned network (design != 0) or as an ordinary one. The
 * adjustment of a planned network is a design analysis: method 0 the general design, 1 the
 * third-class analysis, which leaves the files optim0.dat, optim1.dat and optim2.dat in the
 * current directory. The mark is kept by the binary database file and the comma-separated
 * pair, not by the text observation format. 1, or 0 when no network is loaded. */
QUENVAR_API int zrSetDesignMode(int design);

/* ---- Messages (extension for hosts without Windows message boxes) -------------------- */

/* kind 1: information box, 2: yes/no question (return non-zero for Yes), 4: progress window
 * text, 5: progress window closed. text and caption are GBK. */
typedef int (*zrMessageHook)(const char* text, const char* caption, int kind, void* context);
/* Routes every box and progress text to hook; a null hook restores the default (standard
 * error, questions answered by the environment variable QUENVAR_ANSWER). */
QUENVAR_API void zrSetMessageHook(zrMessageHook hook, void* context);

/* ---- Result windows (extension for hosts without Windows dialogs) ------------------- */

/* Chart drawing operations, in pixels from the top-left corner of the chart area (x to the
 * right, y downwards): zrMoveTo puts the pen at (x, y), zrLineTo draws a line from the pen to
 * (x, y) and leaves the pen there, zrTextOut writes text (GBK) with its top-left corner at
 * (x, y); text is null for the other two. */
enum { zrMoveTo = 0, zrLineTo = 1, zrTextOut = 2 };
typedef void (*zrDrawOperation)(int op, int x, int y, const char* text, void* drawContext);

/* A result list window handed to the host: an entry list, a detail list for the selected
 * entry, a chart of it and a save button. Texts are GBK. */
typedef struct zrResultWindow {
    const char* caption;      /* the window's caption */
    const char* heading;      /* column heading, line 0 of the entry list */
    const char* extra;        /* extra line, the first line of every entry's details */
    int lineCount;            /* entry-list lines: the heading and one per report entry */
    const char* const* lines; /* lines[0 .. lineCount - 1] */
    void* window;             /* the library's window; pass it to the functions below */
    /* Selects entry-list line `line`. The heading (0) or a line outside the list changes
     * nothing and gives -1; an entry fills the detail list and gives its number of lines. */
    int (*select)(void* window, int line);
    /* Line i of the detail list of the last selection, or null beyond its end. */
    const char* (*detail)(void* window, int i);
    /* Draws the chart of entry-list line `line` for a chart area of width x height pixels,
     * calling op for every operation; 1 when something was drawn. */
    int (*draw)(void* window, int line, int width, int height, zrDrawOperation op, void* drawContext);
    /* Writes the same chart as an SVG file; 1 when something was drawn and the file written. */
    int (*drawSvg)(void* window, int line, int width, int height, const char* path);
    /* The save button: writes the report (title: the caption) to path; 1 when written, 0
     * without entries or when the path cannot be opened. */
    int (*save)(void* window, const char* path);
} zrResultWindow;

/* Called when the library shows a result list window (the closure windows). The window is
 * modal: the hook runs the host's own loop and returns when the user closes the window; the
 * library then destroys it (the closure window frees its loops then). *window and its texts
 * are valid only until the hook returns. */
typedef void (*zrResultWindowHook)(const zrResultWindow* window, void* context);
/* Routes every result list window to hook. Without a hook (or after a null hook) a window
 * writes its report, as the save button would, to standard output in the terminal's encoding
 * and is closed at once; at a terminal (standard input and output both are one) it is a keyed
 * menu instead, as the other windows (see zrSetWindowHook). */
QUENVAR_API void zrSetResultWindowHook(zrResultWindowHook hook, void* context);

/* ---- Windows (extension for hosts that show the library's windows themselves) -------- */

/* The library's modal windows are sets of controls named by their ids, as in its dialog
 * templates: 106 plane adjustment method dialog, 107 height adjustment method dialog, 117
 * adjustment window. A host shows a window, changes its controls and presses its buttons with
 * the functions below, as a user would, until zrWindowResult no longer gives -1. Texts are
 * GBK. Without a hook, or when the hook returns 0, the library shows the window itself: in a
 * terminal (standard input is one) as keyed menus, otherwise headless, every window accepted
 * at once without changes (its default button pressed, then closed as cancelled if still
 * open).
 *
 * Method dialogs 106 and 107: 102 edit iteration count, 103 list of methods, 111 and 112 radio
 * buttons direction or angle adjustment (106 only), 205-210 (106) or 205-208 (107) edits of the
 * a-priori errors (208-210 and 207-208 are hidden, and disabled without class-4
 * observations), buttons 101 status report, 1 start adjustment, 107 confirm settings, 2 cancel,
 * 666 help. Adjustment window 117: 108 multi-line edit holding the network as text, buttons
 * 2 cancel, 24000 plane closures, 24001 height closures, 1 adjust, 666 help. The result list
 * window goes to zrSetResultWindowHook; without that hook it too is shown by the terminal front
 * end, or headless as described there. */
typedef struct zrWindow zrWindow;

/* Called when a window opens; parent is the window it was opened from, or null. Return
 * non-zero when the hook showed the window; a window it leaves open counts as cancelled. */
typedef int (*zrWindowHook)(zrWindow* window, zrWindow* parent, void* context);
QUENVAR_API void zrSetWindowHook(zrWindowHook hook, void* context);

/* The save-file dialog, opened by the save button of a result list window that the library
 * shows itself (a result-window hook saves through the window's save function instead):
 * defaultExt is the extension added to a name without one ("txt"), filter
 * "description|pattern||". Write the chosen path, NUL-terminated, into path (size bytes) and
 * return non-zero, or return 0 for cancel. Without a hook the terminal front end asks for a
 * name; headless, nothing is chosen. */
typedef int (*zrSaveFileHook)(const char* defaultExt, const char* filter, char* path, int size, void* context);
QUENVAR_API void zrSetSaveFileHook(zrSaveFileHook hook, void* context);

/* A request for the host application's help: helpContext 0x2006A plane method dialog,
 * 0x2006B height method dialog; command 1 shows the topic of that context. */
typedef void (*zrHelpHook)(unsigned int helpContext, int command, void* context);
QUENVAR_API void zrSetHelpHook(zrHelpHook hook, void* context);

/* The window's template id and caption. Text getters copy at most size - 1 bytes and a NUL and
 * return the full length, or -1 when there is no such control or item. */
QUENVAR_API int zrWindowId(const zrWindow* window);
QUENVAR_API int zrGetWindowCaption(const zrWindow* window, char* buffer, int size);
/* -1 while the window is open, then its result: 1 OK, 2 cancel. */
QUENVAR_API int zrWindowResult(const zrWindow* window);

/* Controls in template order: the id of control index (0-based), -1 beyond the last. */
QUENVAR_API int zrWindowControlId(const zrWindow* window, int index);
/* 0 no such control, 1 push button, 2 edit, 3 list, 4 radio button. */
QUENVAR_API int zrControlKind(const zrWindow* window, int id);
/* Bits: 1 enabled, 2 visible, 4 checked (radio button), 8 multi-line edit. */
QUENVAR_API int zrControlState(const zrWindow* window, int id);
/* A button's caption or an edit's contents; the label is the text shown beside the control. */
QUENVAR_API int zrGetControlText(const zrWindow* window, int id, char* buffer, int size);
QUENVAR_API int zrGetControlLabel(const zrWindow* window, int id, char* buffer, int size);
QUENVAR_API int zrGetListItem(const zrWindow* window, int id, int index, char* buffer, int size);
/* Number of items, -1 for no list. */
QUENVAR_API int zrGetListCount(const zrWindow* window, int id);
/* Selected item, -1 for none. */
QUENVAR_API int zrGetListSelection(const zrWindow* window, int id);

/* What a user does; each returns 1, or 0 when the control is missing, of another kind,
 * disabled, or the window has ended. */
QUENVAR_API int zrSetControlText(zrWindow* window, int id, const char* text);
QUENVAR_API int zrSelectListItem(zrWindow* window, int id, int index);
QUENVAR_API int zrCheckRadioButton(zrWindow* window, int id);
QUENVAR_API int zrPressButton(zrWindow* window, int id);

/* ---- Results (read-only extension for hosts) ----------------------------------------- */

/* What a host reads of the network and of the last computation, without parsing files. Each
 * call copies one record into the caller's structure and returns 1, or returns 0 (leaving the
 * structure zeroed) when no network is loaded or the index is outside the records. Nothing
 * here changes the network. Angles are radians, lengths and heights metres. */

typedef struct zrResultSummary {
    int pointCount;        /* points 1..pointCount */
    int obsCount;          /* observations 1..obsCount */
    int precisionCount;    /* precision records 1..precisionCount (record 0 holds maxima) */
    int heightMode;        /* network kind of the last computation: 0 plane, 1 height */
    int designMode;        /* 1 design network (planned observations) */
    int angleMode;         /* 1 directions were adjusted as angles */
    int adjusted;          /* 1 when the results of an adjustment are present */
    int weightsPresent;    /* 1 when weights and adjusted-observation cofactors are present */
    double dirSigma;       /* a-priori direction error, radians: the plane unit-weight error */
    double distSigmaConst; /* a-priori distance error, fixed part, metres */
    double distSigmaPpm;   /* a-priori distance error, proportional part, ppm */
    double levelSigma;     /* a-priori levelling error, metres: the height unit-weight error */
    double trigHeightSigma;/* a-priori trigonometric height error, metres per km of sight */
    double planeSigma0;    /* a-posteriori unit-weight error of the plane adjustment, radians */
    double heightSigma0;   /* a-posteriori unit-weight error of the height adjustment, metres */
} zrResultSummary;

typedef struct zrPointResult {
    char name[8];          /* GBK, NUL-terminated, at most 5 bytes */
    int planeClass;        /* 0 unknown, 1 known, 2 special, 3-6 not adjusted, 7 excluded */
    int heightClass;       /* the same for the height */
    int hasPosition;       /* 1 when X and Y hold a (known, approximate or adjusted) position */
    int hasHeight;         /* 1 when H holds a height */
    double x, y, h;        /* X north, Y east, height; metres */
    int firstObs;          /* first observation taken at this point as station, 0 none */
} zrPointResult;

typedef struct zrObservationResult {
    int target;            /* point index of the target, 0 none */
    char kind;             /* kind letter of "cazbdshivnl#$<1234" */
    int obsClass;          /* 0 ordinary, 1 fixed, 2-3 kept, 4 special, 5 error record,
                              6 planned, 7 rejected */
    double value;          /* observed value: radians for angles, metres, or a count */
    int adjusted;          /* 1 when the last adjustment computed its residual */
    double residual;       /* adjusted minus observed, radians or metres (4-byte float) */
    double weight;         /* weight p = unit-weight error squared over its own (0 unweighted) */
    double cofactor;       /* cofactor of the adjusted observation, in units of the unit
                              weight's variance (0 when not computed) */
    int next;              /* next observation of the same station, 0 at the end */
} zrObservationResult;

typedef struct zrPrecisionRecord {
    int type;              /* 0 the maxima (record 0) or an unused record, 1 point record,
                              2 pair record */
    int p1, p2;            /* point indices: the point (p2 = 0), or the pair */
    double a, b, c;        /* point, plane: semi-axes E, F (metres) and azimuth of E (radians);
                              point, height: height error (a); pair, plane: longitudinal and
                              transverse error (metres), azimuth p1 to p2 (radians); pair,
                              height: error of the height difference (a); maxima: largest point
                              error, largest pair error, largest longitudinal error over
                              distance */
} zrPrecisionRecord;

QUENVAR_API int zrGetResultSummary(zrResultSummary* summary);
/* index 1..pointCount. */
QUENVAR_API int zrGetPoint(int index, zrPointResult* point);
/* index 1..obsCount. An observation does not name its station: walk a station's
 * observations from its point's firstObs through next. */
QUENVAR_API int zrGetObservation(int index, zrObservationResult* observation);
/* index 0..precisionCount. */
QUENVAR_API int zrGetPrecisionRecord(int index, zrPrecisionRecord* record);

#ifdef __cplusplus
}
#endif

#endif /* QUENVAR_H */
