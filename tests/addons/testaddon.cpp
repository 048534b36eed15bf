// Stand-ins for vormadd that misbehave on purpose, one kind per build (TESTADDON_*):
//   GARBAGE   returns text without a NUL (exactly the capacity, the whole buffer, and past it)
//             and a picture of impossible size;
//   FAILING   reports every call as failed through the error channel;
//   LACKING   lacks CheckRecord;
//   SCRIPTED  answers GetDialogSave with $TESTADDON_DIALOG and logs each ExportToFile call to
//             the file $TESTADDON_LOG (target, kind, then the grid's rows, cells joined by '|').
#include "vormadd.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void fail(VormError* error, const char* cp1251)
{
    error->raised = 1;
    std::strcpy(error->message, cp1251);
}

#if defined(TESTADDON_FAILING)
// "Сбой дополнения: нет связи" in Windows-1251.
const char kFailure[] = "\xD1\xE1\xEE\xE9 \xE4\xEE\xEF\xEE\xEB\xED\xE5\xED\xE8\xFF: \xED\xE5\xF2 \xF1\xE2\xFF\xE7\xE8";
#endif

void text(char* buffer, int capacity, VormError* error, int length)
{
#if defined(TESTADDON_FAILING)
    (void)buffer, (void)capacity, (void)length;
    fail(error, kFailure);
#elif defined(TESTADDON_GARBAGE)
    (void)error, (void)capacity;
    std::memset(buffer, '\xC6', size_t(length)); // 'Ж', and no NUL after it
#else
    (void)error, (void)length;
    std::snprintf(buffer, size_t(capacity) + 1, "ok");
#endif
}

} // namespace

extern "C" {

VORM_EXPORT void RouteFromFileName(const char*, char* buffer, int capacity, VormError* error)
{
    text(buffer, capacity, error, capacity + 1); // the whole 1024-byte buffer
}
VORM_EXPORT void DecodePersonalAccount(const char*, char* buffer, int capacity, VormError* error)
{
    text(buffer, capacity, error, capacity);
}
VORM_EXPORT void DecodeStreet(const char*, char* buffer, int capacity, VormError* error)
{
    text(buffer, capacity, error, capacity + 100); // past the buffer
}
VORM_EXPORT void DecodeHouse(const char*, char* buffer, int capacity, VormError* error)
{
    text(buffer, capacity, error, capacity);
}
VORM_EXPORT void DecodeElectroNumber(const char*, char* buffer, int capacity, VormError* error)
{
    text(buffer, capacity, error, capacity);
}
VORM_EXPORT void DecodeElectroType(const char*, char* buffer, int capacity, VormError* error)
{
    text(buffer, capacity, error, capacity);
}

#if !defined(TESTADDON_LACKING)
VORM_EXPORT int CheckRecord(const char*, const char*, const char*, VormError* error)
{
#if defined(TESTADDON_FAILING)
    error->raised = 1; // and no message
#else
    (void)error;
#endif
    return 0;
}
#endif

VORM_EXPORT int GetDialogSave(VormError* error)
{
#if defined(TESTADDON_FAILING)
    fail(error, kFailure);
#else
    (void)error;
#endif
    const char* answer = std::getenv("TESTADDON_DIALOG");
    return answer ? std::atoi(answer) : 0;
}

VORM_EXPORT void ExportToFile(const VormGrid* grid, const char* target, int kind, VormError* error)
{
#if defined(TESTADDON_FAILING)
    (void)grid, (void)target, (void)kind;
    fail(error, kFailure);
#else
    const char* logName = std::getenv("TESTADDON_LOG");
    std::FILE* log = logName ? std::fopen(logName, "ab") : nullptr;
    if (!log) {
        fail(error, "no TESTADDON_LOG");
        return;
    }
    std::fprintf(log, "target=%s\nkind=%d\n", target, kind);
    for (int r = 0; r < grid->rowCount; ++r) {
        for (int c = 0; c < grid->columnCount; ++c)
            std::fprintf(log, c ? "|%s" : "%s", grid->cell(grid->context, r, c));
        std::fputs("\n", log);
    }
    std::fprintf(log, "outside=[%s]\n", grid->cell(grid->context, grid->rowCount, 0));
    std::fclose(log);
#endif
}

VORM_EXPORT void GetAboutString(char* buffer, int capacity, VormError* error)
{
    text(buffer, capacity, error, capacity);
}

VORM_EXPORT void GetAboutBadge(VormBitmap* bitmap, VormError* error)
{
#if defined(TESTADDON_FAILING)
    (void)bitmap;
    fail(error, kFailure);
#elif defined(TESTADDON_GARBAGE)
    (void)error;
    bitmap->width = bitmap->maxWidth + 1;
    bitmap->height = 10;
#else
    (void)error;
    bitmap->width = 2;
    bitmap->height = 1;
    bitmap->pixels[0] = 0xFFFF0000u;
    bitmap->pixels[1] = 0xFF0000FFu;
#endif
}

} // extern "C"
