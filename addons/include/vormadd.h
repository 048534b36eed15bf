/*
 * vormadd.h - the add-on library "vormadd" (vormadd.dll on Windows, libvormadd.so elsewhere),
 * loaded from the program's folder when the reader manager starts. The manager does not start
 * when the library or any function below is missing.
 *
 * Conventions (text, buffers, the error channel): see vormaddon.h.
 */
#ifndef VORMADD_H
#define VORMADD_H

#include "vormaddon.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------- route files ------------ */
/* Called when a route is loaded from a file: RouteFromFileName once, first; then, for every
 * non-empty line of the file, the five Decode functions in the order below, each with the whole
 * line without its line end (the bytes as they stand in the file), then CheckRecord with the
 * decoded account, house and meter number. */

/* The route name for a route file (`fileName` is its full path). */
VORM_EXPORT void RouteFromFileName(const char *fileName, char *buffer, int capacity, VormError *error);

/* One field of the metering point in `line`: the personal account, the street (the program keeps
 * at most its first 12 characters), the house, the meter number and the meter type name (matched
 * afterwards against the program's abbreviation lists). */
VORM_EXPORT void DecodePersonalAccount(const char *line, char *buffer, int capacity, VormError *error);
VORM_EXPORT void DecodeStreet(const char *line, char *buffer, int capacity, VormError *error);
VORM_EXPORT void DecodeHouse(const char *line, char *buffer, int capacity, VormError *error);
VORM_EXPORT void DecodeElectroNumber(const char *line, char *buffer, int capacity, VormError *error);
VORM_EXPORT void DecodeElectroType(const char *line, char *buffer, int capacity, VormError *error);

/* Judges the decoded fields of one line: 1 bad personal account, 2 bad house, 3 bad meter number;
 * any other value: the three are valid. */
VORM_EXPORT int CheckRecord(const char *account, const char *house, const char *meterNumber, VormError *error);

/* ---------------------------------------------------------------- text export ------------ */

/* A grid of text cells handed to ExportToFile: row 0 holds the column titles, the rows after it
 * one reading each, and the last row is empty. `cell` returns the NUL-terminated Windows-1251 text
 * of a cell (an empty text outside the grid); the pointers stay valid until ExportToFile returns. */
typedef struct VormGrid {
    int rowCount;
    int columnCount;
    const void *context;
    const char *(*cell)(const void *context, int row, int column);
} VormGrid;

/* Which destination ExportToFile wants: 1 a folder (the program shows its folder chooser),
 * 2 a file (the program shows a save-file dialog), any other value none (the target is empty). */
VORM_EXPORT int GetDialogSave(VormError *error);

/* Writes the readings of `grid` to `target` (the chosen folder or file, or an empty text).
 * `kind` is the meter family's export code: 1 TELV-1, 2 TELV-2, 3 VAKL-4, 4 VAKL-DR, 5 VAKL-PDR. */
VORM_EXPORT void ExportToFile(const VormGrid *grid, const char *target, int kind, VormError *error);

/* ---------------------------------------------------------------- about box -------------- */

/* The text of the about box's add-on group; an empty text hides the group. */
VORM_EXPORT void GetAboutString(char *buffer, int capacity, VormError *error);

/* A picture for the about box: on entry width and height are 0 (an empty picture) and `pixels`
 * has room for maxWidth x maxHeight pixels; the library sets width and height (each 1 .. max, or
 * both 0 for no picture) and fills the first width x height pixels, row by row from the top, each
 * as 0xAARRGGBB (alpha in the high byte, not premultiplied). Called only when GetAboutString gave
 * a non-empty text, right after it. */
typedef struct VormBitmap {
    int width;
    int height;
    int maxWidth;
    int maxHeight;
    unsigned int *pixels;
} VormBitmap;

VORM_EXPORT void GetAboutBadge(VormBitmap *bitmap, VormError *error);

#ifdef __cplusplus
}
#endif

#endif /* VORMADD_H */
