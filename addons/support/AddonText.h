// What both add-on libraries need around the C interface: Windows-1251 <-> UTF-8 text, the
// returned-text buffers, the error channel and files named by UTF-8 paths on every platform.
// Standard C++ only, so that the libraries carry no dependency of the programs.
#pragma once

#include "vormaddon.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace vormaddon {

std::string cp1251ToUtf8(std::string_view text);
// Characters without a Windows-1251 code become '?' and set *lossy (when given).
std::string utf8ToCp1251(std::string_view text, bool* lossy = nullptr);
// True for well-formed UTF-8 (plain ASCII included).
bool isUtf8(std::string_view text);

// Copies a Windows-1251 text into a caller's buffer (at most capacity bytes, then a NUL).
// False when the text does not fit; the buffer then holds nothing.
bool putText(char* buffer, int capacity, std::string_view cp1251);
// Reports a failure through the error channel; the message is UTF-8 here and Windows-1251 there.
void raise(VormError* error, std::string_view utf8Message);

// Files by UTF-8 path (wide-character calls on Windows, the bytes as they are elsewhere).
std::FILE* openFile(const std::string& utf8Path, const char* mode);
bool removeFile(const std::string& utf8Path);
// Renames over an existing file.
bool replaceFile(const std::string& fromUtf8, const std::string& toUtf8);
// The system's text for the last failure of a C library call (errno).
std::string systemReason(int errorNumber);
// An environment variable as UTF-8; empty when unset.
std::string environment(const char* name);

} // namespace vormaddon
