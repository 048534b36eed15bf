/*
 * vormaddon.h - what both add-on libraries share: the calling convention, the error channel,
 * the text buffers and the exported-symbol macro.
 *
 * Text: every text argument and every returned text is 8-bit Windows-1251 (Cyrillic), NUL-terminated.
 *
 * Returned text: the caller passes a buffer of VORM_TEXT_BUFFER (1024) bytes, filled with zero
 * bytes, and the capacity VORM_TEXT_CAPACITY (1023). The library writes at most `capacity` bytes
 * followed by a NUL. The caller takes the text up to the first NUL and never looks past the
 * capacity, so a library that forgets the NUL still yields at most 1023 characters.
 *
 * Errors: every function takes a `VormError *` as its last argument. The caller sets `raised` to 0
 * and fills `message` with zero bytes before the call. To report a failure the library sets
 * `raised` to a non-zero value and writes a NUL-terminated message (at most 1023 bytes) into
 * `message`; the program then treats the call as failed and shows that message. A library must not
 * let any exception, longjmp or signal leave one of its functions: the error channel is the only way
 * out. Results other than the error channel are ignored after a failure.
 *
 * The functions use the platform's default C calling convention (cdecl on 32-bit Windows) and are
 * exported under their plain names (no decoration, extern "C").
 */
#ifndef VORMADDON_H
#define VORMADDON_H

#define VORM_TEXT_BUFFER 1024
#define VORM_TEXT_CAPACITY 1023

#if defined(_WIN32)
#  define VORM_EXPORT __declspec(dllexport)
#else
#  define VORM_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VormError {
    int raised;                          /* 0 on entry; non-zero: the call failed */
    char message[VORM_TEXT_BUFFER];      /* NUL-terminated Windows-1251 reason, when raised */
} VormError;

#ifdef __cplusplus
}
#endif

#endif /* VORMADDON_H */
