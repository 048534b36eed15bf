#pragma once
// Pieces the benchmarks share: a prompter for unattended runs and a ТЕЛВ-2 record.
#include "common/Bcd.h"
#include "common/Prompter.h"

#include <QByteArray>
#include <cstdio>

namespace tk::bench {

// A benchmark runs unattended: a question is a fault of its set-up, so it is printed and counted.
class PrintingPrompter : public Prompter {
public:
    Answer message(const QString& title, const QString& text, Icon, Buttons buttons) override
    {
        std::fprintf(stderr, "unexpected message: [%s] %s\n", qPrintable(title), qPrintable(text));
        ++unexpected;
        return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
    QString openFile(const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
    QStringList openFiles(const QString&, const QString&) override { return {}; }
    int unexpected = 0;
};

// A 37-byte ТЕЛВ-2 record body (from frame offset 3) of meter n, read on the 15th of June.
inline QByteArray telv2Record(int n)
{
    QByteArray r = QByteArray::fromHex("000000301215060500010002000300040005000600"
                                       "07025B0900FE000C008A870100");
    r[0] = char(ByteToBcd(n / 10000 % 100));
    r[1] = char(ByteToBcd(n / 100 % 100));
    r[2] = char(ByteToBcd(n % 100));
    return r;
}

} // namespace tk::bench
