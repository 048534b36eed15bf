#pragma once
// The five meter types of the route table (its ctype column, 0..4) and what each code selects
// here: the name shown, the reading table and the label of the balance dialogs. Wherever the
// program loops over the types it goes in code order, 0 first.
#include <QString>
#include <array>

namespace tk::processing {

inline constexpr int kTypeCount = 5;

// "ТЕЛВ-1" … "ВАКЛ-ПДР"; empty for a code outside 0..4.
QString typeName(int code);
// The reading table as statements name it: Telv1, Telv2, Vakl4, VaklDr, VaklPdr.
QString readingTable(int code);
// "ТЕЛВ (1т)", "ТЕЛВ (3т)", "ВАКЛ-4", "ВАКЛ-ДР", "ВАКЛ-ПДР".
QString balanceLabel(int code);
// The five names in code order, for the type drop-downs.
std::array<QString, kTypeCount> typeNames();

// "янв." … "дек.", month 1..12.
QString monthAbbreviation(int month);

} // namespace tk::processing
