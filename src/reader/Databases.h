#pragma once
// The reader's databases: 0–4 and 63 meter data (the families table maps them), 5 street names,
// 6 journal, 7 diary, 8–62 routes 1–55.
#include <QString>
#include <array>

namespace tk::reader {

inline constexpr int kDatabaseCount = 64;
inline constexpr int kStreetDb = 5;
inline constexpr int kJournalDb = 6;
inline constexpr int kDiaryDb = 7;

// The names the reader gave its databases, by number (DbNames); empty where unknown.
using DbNames = std::array<QString, kDatabaseCount>;

} // namespace tk::reader
