#include "manager/CommandLine.h"

namespace tk::manager {

CommandLine parseCommandLine(const QStringList& args)
{
    CommandLine out;
    const QString portEq = QStringLiteral("--port=");
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a.compare(QLatin1String("debug"), Qt::CaseInsensitive) == 0)
            out.debug = true;
        if (a == QLatin1String("--connect")) {
            out.connect = true;
        } else if (a == QLatin1String("--port") && i + 1 < args.size()) {
            out.port = args[i + 1];
        } else if (a.startsWith(portEq)) {
            out.port = a.mid(portEq.size());
        }
    }
    return out;
}

} // namespace tk::manager
