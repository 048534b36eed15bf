/*
 * vormadddb.h - the add-on library "vormadddb" (vormadddb.dll on Windows, libvormadddb.so
 * elsewhere), loaded from the program's folder when the reader manager starts; it writes readings
 * into the metering DBMS in the site's own way. The manager does not start when the library or a
 * function below is missing.
 *
 * Conventions (text, the error channel): see vormaddon.h.
 */
#ifndef VORMADDDB_H
#define VORMADDDB_H

#include "vormaddon.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Called first by each export of one family's readings. Non-zero: every reading is handed to
 * WriteToDb and the program opens no DBMS connection of its own; zero: the program exports
 * through its own connection. */
VORM_EXPORT int PossibleWriteToDb(VormError *error);

/* One reading, called once per reading in grid order.
 *   kind         meter family export code: 1 TELV-1, 2 TELV-2, 3 VAKL-4, 4 VAKL-DR, 5 VAKL-PDR
 *   meterNumber  the meter's number
 *   status       the meter's status value
 *   dateTime     the reading's date and time: whole days since 30 December 1899 plus the time of
 *                day as a fraction of a day
 *   checkSum, runMinutes (hours x 60 + minutes), corrections, difference
 *   t1, t2, t3   the registers of tariffs 1, 2 and 3
 *   b1, b2, b3   the registers of tariffs 1, 2 and 3 on the billing date
 * For TELV-1 the four integers after dateTime are 0, t1 is the single register and the other five
 * registers are 0. A failed write is reported through `error`; the program shows the message for
 * that reading and asks whether to go on. */
VORM_EXPORT void WriteToDb(int kind, int meterNumber, int status, double dateTime,
                           int checkSum, int runMinutes, int corrections, int difference,
                           double t1, double t2, double t3, double b1, double b2, double b3,
                           VormError *error);

#ifdef __cplusplus
}
#endif

#endif /* VORMADDDB_H */
