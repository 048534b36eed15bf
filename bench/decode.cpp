// Record-decoding benchmark: ТЕЛВ-2 records of a month of different days decoded into their grid
// cells in-process, as a long read does; prints records per second.
#include "BenchSupport.h"
#include "reader/FamilyRecords.h"
#include "reader/Frame.h"
#include "common/Regional.h"
#include "reader/StreetList.h"

#include <QByteArray>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    const int records = argc > 1 ? std::atoi(argv[1]) : 1000000;

    std::vector<QByteArray> frames;
    for (int i = 0; i < 1000; ++i) {
        QByteArray f = QByteArray(1, char(tk::reader::ReadFirst)) + QByteArray(1, char(37)) + QByteArray(1, '\0')
            + tk::bench::telv2Record(i * 7);
        f[8] = char(tk::ByteToBcd(1 + i % 28)); // a month of different days
        frames.push_back(f);
    }
    tk::reader::StreetList streets;
    streets.append(1, QStringLiteral("САДОВАЯ"));
    std::array<QString, 64> names;
    const tk::regional::Formats formats;
    size_t cells = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < records; ++i) {
        const QByteArray& f = frames[size_t(i % 1000)];
        const auto r = tk::reader::decodeFamilyRecord(tk::Family::Telv2, reinterpret_cast<const uint8_t*>(f.constData()),
                                                      37, 2026, streets, names, &formats);
        cells += size_t(r->cells.size());
    }
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("decode: %d records in %.3f s = %.0f records/s (target above 1,000,000/s); %zu cells\n", records, s,
                records / s, cells);
    std::fflush(stdout);
    return 0;
}
