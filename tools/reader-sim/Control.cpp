#include "Control.h"

#include "DeviceState.h"
#include "common/Error.h"

namespace tk::sim {

namespace {

// Decimal, or hexadecimal after "0x" (function codes are often thought of in hex).
int number(const QString& token, const QString& what, int min, int max)
{
    bool ok = false;
    const int v = token.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? token.mid(2).toInt(&ok, 16)
                                                                             : token.toInt(&ok, 10);
    if (!ok)
        throw Error(QStringLiteral("%1: \"%2\" is not a number").arg(what, token));
    if (v < min || v > max)
        throw Error(QStringLiteral("%1: %2 is outside %3..%4").arg(what).arg(v).arg(min).arg(max));
    return v;
}

constexpr int kMaxMs = 600'000;
constexpr int kMaxCount = 1'000'000;

QByteArray garbageBytes(const QString& text, const QString& what)
{
    const auto bytes = fromHexText(text);
    if (!bytes || bytes->isEmpty())
        throw Error(QStringLiteral("%1: \"%2\" is not a string of hex byte pairs").arg(what, text));
    return *bytes;
}

FaultRule errorRule(const QStringList& parts, const QString& what)
{
    const auto fn = uint8_t(number(parts[0], what + QStringLiteral(" function"), 0, 255));
    const int code = number(parts[1], what + QStringLiteral(" code"), 0, 255);
    std::optional<uint8_t> db;
    if (parts.size() > 2)
        db = uint8_t(number(parts[2], what + QStringLiteral(" database"), 0, 255));
    return FaultRule::error(fn, code, db);
}

} // namespace

QString usageText()
{
    return QStringLiteral(
        "usage: reader-sim [--state FILE] [--baud N] [--reply-delay MS] [--split-bytes MS]\n"
        "                  [--silence-first N] [--silence-fn F] [--bad-crc N] [--error FN:CODE[:DB]]\n"
        "                  [--garbage HEX] [--link PATH] [--no-stdin]\n"
        "Emulates the meter reader on a pseudo-terminal and prints \"PTY <slave path>\" first.\n"
        "  --state FILE        reader content (JSON); written back at exit\n"
        "  --baud N            pace both directions as a line of N baud, 11 bits a byte (0: unpaced)\n"
        "  --reply-delay MS    every reply starts MS late\n"
        "  --split-bytes MS    every reply goes out byte by byte, MS apart\n"
        "  --silence-first N   no answer to the first N requests\n"
        "  --silence-fn F      no answer to function F (repeatable)\n"
        "  --bad-crc N         the next N replies carry a wrong CRC\n"
        "  --error FN:CODE[:DB] answer function FN (for database DB) with error CODE (repeatable)\n"
        "  --garbage HEX       these bytes go out before every reply\n"
        "  --link PATH         a symlink to the slave at PATH, removed at exit\n"
        "  --no-stdin          read no commands; run until SIGINT or SIGTERM\n"
        "Stops on SIGINT, SIGTERM or the end of stdin.\n")
        + commandsText();
}

QString commandsText()
{
    return QStringLiteral(
        "Commands on stdin, one a line (answered \"OK <command>\" or \"ERR <reason>\"):\n"
        "  unplug | plug | silence-next N | silence-fn F | bad-crc N | error FN CODE [DB] [xN]\n"
        "  delay MS | split MS | garbage HEX | clear-faults | save | quit\n");
}

Options parseOptions(const QStringList& args)
{
    Options o;
    for (int i = 0; i < args.size(); ++i) {
        QString name = args[i];
        QString value;
        bool inlineValue = false;
        if (const auto eq = name.indexOf(QLatin1Char('=')); name.startsWith(QLatin1String("--")) && eq > 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
            inlineValue = true;
        }
        auto takeValue = [&] {
            if (inlineValue)
                return value;
            if (i + 1 >= args.size())
                throw Error(QStringLiteral("%1 needs a value").arg(name));
            return args[++i];
        };
        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            o.help = true;
        } else if (name == QLatin1String("--no-stdin")) {
            o.readCommands = false;
        } else if (name == QLatin1String("--state")) {
            o.statePath = takeValue();
        } else if (name == QLatin1String("--link")) {
            o.linkPath = takeValue();
        } else if (name == QLatin1String("--baud")) {
            o.baud = number(takeValue(), name, 0, 10'000'000);
        } else if (name == QLatin1String("--reply-delay")) {
            o.faults.push_back(FaultRule::delay(number(takeValue(), name, 0, kMaxMs)));
        } else if (name == QLatin1String("--split-bytes")) {
            o.faults.push_back(FaultRule::splitBytes(number(takeValue(), name, 0, kMaxMs)));
        } else if (name == QLatin1String("--silence-first")) {
            o.faults.push_back(FaultRule::silenceFirst(number(takeValue(), name, 0, kMaxCount)));
        } else if (name == QLatin1String("--silence-fn")) {
            o.faults.push_back(FaultRule::silenceFunction(uint8_t(number(takeValue(), name, 0, 255))));
        } else if (name == QLatin1String("--bad-crc")) {
            o.faults.push_back(FaultRule::badCrc(number(takeValue(), name, 0, kMaxCount)));
        } else if (name == QLatin1String("--error")) {
            const QString v = takeValue();
            const QStringList parts = v.split(QLatin1Char(':'));
            if (parts.size() < 2 || parts.size() > 3)
                throw Error(QStringLiteral("--error: \"%1\" is not FN:CODE or FN:CODE:DB").arg(v));
            o.faults.push_back(errorRule(parts, name));
        } else if (name == QLatin1String("--garbage")) {
            o.faults.push_back(FaultRule::garbageBefore(garbageBytes(takeValue(), name)));
        } else {
            throw Error(QStringLiteral("unknown option \"%1\"").arg(args[i]));
        }
    }
    return o;
}

Command parseCommand(const QString& line)
{
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        throw Error(QStringLiteral("empty command"));
    const QString& verb = words[0];
    const QStringList args = words.mid(1);
    Command c;
    c.text = words.join(QLatin1Char(' '));
    auto arity = [&](int min, int max, const char* form) {
        if (args.size() < min || args.size() > max)
            throw Error(QStringLiteral("usage: %1").arg(QLatin1String(form)));
    };
    auto fault = [&](FaultRule r) {
        c.kind = Command::Kind::AddFault;
        c.rule = std::move(r);
    };

    if (verb == QLatin1String("unplug")) {
        arity(0, 0, "unplug");
        c.kind = Command::Kind::Unplug;
    } else if (verb == QLatin1String("plug")) {
        arity(0, 0, "plug");
        c.kind = Command::Kind::Plug;
    } else if (verb == QLatin1String("clear-faults")) {
        arity(0, 0, "clear-faults");
        c.kind = Command::Kind::ClearFaults;
    } else if (verb == QLatin1String("save")) {
        arity(0, 0, "save");
        c.kind = Command::Kind::Save;
    } else if (verb == QLatin1String("quit")) {
        arity(0, 0, "quit");
        c.kind = Command::Kind::Quit;
    } else if (verb == QLatin1String("silence-next")) {
        arity(1, 1, "silence-next N");
        fault(FaultRule::silenceFirst(number(args[0], verb, 1, kMaxCount)));
    } else if (verb == QLatin1String("silence-fn")) {
        arity(1, 1, "silence-fn F");
        fault(FaultRule::silenceFunction(uint8_t(number(args[0], verb, 0, 255))));
    } else if (verb == QLatin1String("bad-crc")) {
        arity(1, 1, "bad-crc N");
        fault(FaultRule::badCrc(number(args[0], verb, 1, kMaxCount)));
    } else if (verb == QLatin1String("error")) {
        arity(2, 4, "error FN CODE [DB] [xN]");
        QStringList parts = args;
        int times = FaultRule::kForever;
        if (parts.size() > 2 && parts.back().startsWith(QLatin1Char('x'))) {
            times = number(parts.back().mid(1), verb + QStringLiteral(" count"), 1, kMaxCount);
            parts.removeLast();
        }
        if (parts.size() > 3)
            throw Error(QStringLiteral("usage: error FN CODE [DB] [xN]"));
        FaultRule r = errorRule(parts, verb);
        r.remaining = times;
        fault(std::move(r));
    } else if (verb == QLatin1String("delay")) {
        arity(1, 1, "delay MS");
        fault(FaultRule::delay(number(args[0], verb, 0, kMaxMs)));
    } else if (verb == QLatin1String("split")) {
        arity(1, 1, "split MS");
        fault(FaultRule::splitBytes(number(args[0], verb, 0, kMaxMs)));
    } else if (verb == QLatin1String("garbage")) {
        if (args.isEmpty())
            throw Error(QStringLiteral("usage: garbage HEX"));
        fault(FaultRule::garbageBefore(garbageBytes(args.join(QLatin1Char(' ')), verb)));
    } else {
        throw Error(QStringLiteral("unknown command \"%1\"").arg(verb));
    }
    return c;
}

} // namespace tk::sim
