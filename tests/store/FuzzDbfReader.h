#pragma once
// The fuzz entry point of the table-file reader, also run over a seed corpus by ctest.
#include <QString>
#include <cstddef>
#include <cstdint>

namespace tk::fuzz {

struct Outcome {
    bool opened = false; // the file opened as a table
    int rows = -1;       // live rows SQL returned; -1 when a record was refused
    QString message;     // why the file or a record was refused
};

// Reads `data` as a table file down every reading path; aborts when the paths disagree.
Outcome readTable(const std::uint8_t* data, std::size_t size);

} // namespace tk::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
