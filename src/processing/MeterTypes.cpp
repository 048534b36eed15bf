#include "processing/MeterTypes.h"

#include "common/Families.h"

namespace tk::processing {

QString typeName(int code)
{
    // The route table's type codes are the families' route types; the names are the families'.
    for (const FamilyInfo& f : kFamilies)
        if (f.routeType >= 0 && f.routeType == code)
            return QString::fromUtf16(f.name);
    return {};
}

QString readingTable(int code)
{
    static const char* const tables[kTypeCount] = {"Telv1", "Telv2", "Vakl4", "VaklDr", "VaklPdr"};
    return code >= 0 && code < kTypeCount ? QString::fromLatin1(tables[code]) : QString();
}

QString balanceLabel(int code)
{
    static const char16_t* const labels[kTypeCount] = {u"ТЕЛВ (1т)", u"ТЕЛВ (3т)", u"ВАКЛ-4", u"ВАКЛ-ДР", u"ВАКЛ-ПДР"};
    return code >= 0 && code < kTypeCount ? QString::fromUtf16(labels[code]) : QString();
}

std::array<QString, kTypeCount> typeNames()
{
    std::array<QString, kTypeCount> names;
    for (int c = 0; c < kTypeCount; ++c)
        names[size_t(c)] = typeName(c);
    return names;
}

QString monthAbbreviation(int month)
{
    static const char16_t* const months[12] = {u"янв.", u"фев.", u"март", u"апр.", u"май",  u"июнь",
                                               u"июль", u"авг.", u"сен.", u"окт.", u"нояб.", u"дек."};
    return month >= 1 && month <= 12 ? QString::fromUtf16(months[month - 1]) : QString();
}

} // namespace tk::processing
