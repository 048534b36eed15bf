#pragma once
// The meter families and the numbers each part of the system knows them by. These numbers
// are mapped through this table and never computed from one another.
#include <QString>
#include <array>
#include <optional>

namespace tk {

enum class Family { Telv1, Telv2, Vakl4, VaklDr, VaklPdr, Zkv };

struct FamilyInfo {
    Family family;
    const char16_t* name;     // shown to the user: "ТЕЛВ-1" …
    int readerDb;             // reader database number
    int meterTypeCode;        // -1 where the family has none
    int routeType;            // Route.dbf ctype, -1 where none
    int exportCode;           // -1 where none
    int statusModel;          // -1 where none
    int tab;                  // tab of the manager's main window
    const char* localTable;   // nullptr where the family is not stored
};

inline constexpr std::array<FamilyInfo, 6> kFamilies = {{
    {Family::Telv1, u"ТЕЛВ-1", 2, 0xA2, 0, 1, 3, 0, "Telv1.DBF"},
    {Family::Telv2, u"ТЕЛВ-2", 0, 0xA0, 1, 2, 0, 1, "Telv2.dbf"},
    {Family::Vakl4, u"ВАКЛ-4", 1, 0xA1, 2, 3, 1, 2, "Vakl4.dbf"},
    {Family::VaklDr, u"ВАКЛ-ДР", 3, 0xA3, 3, 4, 4, 3, "VaklDr.dbf"},
    {Family::VaklPdr, u"ВАКЛ-ПДР", 4, 0xA4, 4, 5, 5, 4, "VaklPdr.dbf"},
    {Family::Zkv, u"ЖКВ", 63, -1, -1, -1, -1, 5, nullptr},
}};

constexpr const FamilyInfo& familyInfo(Family f) { return kFamilies[static_cast<size_t>(f)]; }
inline QString familyName(Family f) { return QString::fromUtf16(familyInfo(f).name); }

inline std::optional<Family> familyOfReaderDb(int db)
{
    for (const auto& f : kFamilies)
        if (f.readerDb == db)
            return f.family;
    return std::nullopt;
}

} // namespace tk
