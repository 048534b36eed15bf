#include "common/DesktopHandler.h"

#include "common/Error.h"
#include "common/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QMutex>
#include <QProcess>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>
#endif

namespace tk {

QStringList openCommandOverride()
{
    QString line = qEnvironmentVariable("TK4718EH_OPEN_COMMAND");
    if (line.trimmed().isEmpty()) {
        Settings settings(QStringLiteral("TK4718EH"));
        if (settings.open(false))
            line = settings.readString(QStringLiteral("OpenCommand")).value_or(QString());
    }
    return QProcess::splitCommand(line);
}

void runOpenCommand(const QStringList& command, const QString& target)
{
    if (command.isEmpty())
        throw Error(QStringLiteral("Не задана команда открытия файлов"));
    QProcess process;
    process.setProgram(command.front());
    process.setArguments(command.mid(1) << target);
    if (!process.startDetached())
        throw Error(QStringLiteral("Не удалось запустить %1: %2").arg(command.front(), process.errorString()));
}

#ifdef Q_OS_WIN
static bool askDesktop(const QString& suffix)
{
    const std::wstring ext = (QLatin1Char('.') + suffix).toStdWString();
    wchar_t buffer[MAX_PATH];
    DWORD size = MAX_PATH;
    return AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN, ASSOCSTR_EXECUTABLE, ext.c_str(), L"open", buffer, &size) == S_OK;
}
#elif defined(Q_OS_MACOS)
static bool askDesktop(const QString&)
{
    return true; // "open" hands any file to Launch Services, which asks the user when it knows no program
}
#else
static QString mimeTypeOf(const QString& suffix)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(QStringLiteral("x.") + suffix, QMimeDatabase::MatchExtension);
    return type.isDefault() ? QString() : type.name();
}

static bool askDesktop(const QString& suffix)
{
    const QString mime = mimeTypeOf(suffix);
    if (mime.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
        return false;
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mime});
    if (!query.waitForFinished(5000)) {
        query.kill();
        query.waitForFinished(1000);
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0
        && !query.readAllStandardOutput().trimmed().isEmpty();
}
#endif

bool desktopHandlesSuffix(const QString& suffix)
{
    static QMutex mutex;
    static QHash<QString, bool> known;
    const QMutexLocker lock(&mutex);
    const QString key = suffix.toLower();
    auto it = known.constFind(key);
    if (it == known.constEnd())
        it = known.insert(key, askDesktop(key));
    return *it;
}

void openFileWithDesktop(const QString& path)
{
    const QString file = QFileInfo(path).absoluteFilePath();
    const QStringList command = openCommandOverride();
    if (!command.isEmpty()) {
        runOpenCommand(command, file);
        return;
    }
#ifdef Q_OS_WIN
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open",
        reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(file).utf16()), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32)
        throw Error(QStringLiteral("Нет программы, открывающей %1 (код %2)").arg(file).arg(qint64(result)));
#else
#ifdef Q_OS_MACOS
    runOpenCommand({QStringLiteral("open")}, file);
#else
    if (!desktopHandlesSuffix(QFileInfo(file).suffix()))
        throw Error(QStringLiteral("Нет программы, открывающей файлы .%1 (xdg-mime не знает такой)")
                        .arg(QFileInfo(file).suffix()));
    runOpenCommand({QStringLiteral("xdg-open")}, file);
#endif
#endif
}

} // namespace tk
