#include "common/ToExcel.h"

#include "common/DesktopHandler.h"
#include "common/Error.h"
#include "common/Regional.h"
#include "common/Settings.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <xlsxwriter.h>

namespace tk {
namespace {

constexpr int kMaxSheetRows = 1048576;
constexpr int kMaxSheetColumns = 16384;
constexpr int kMaxCellText = 32767;
// A double keeps 15 significant decimal digits; a longer number (an identifier, as a rule)
// would come back changed, so it stays text.
constexpr int kExactDigits = 15;

std::optional<double> sheetNumber(const QString& text)
{
    const std::optional<double> value = regional::parseNumber(text);
    if (!value)
        return std::nullopt;
    QString digits;
    for (const QChar c : text) {
        if (c == QLatin1Char('e') || c == QLatin1Char('E'))
            break;
        if (c.isDigit())
            digits += c;
    }
    // Leading zeros carry nothing; trailing zeros of a fraction neither, but telling those apart
    // from an integer's is not worth it: such long texts are identifiers, not amounts.
    int first = 0;
    while (first < digits.size() && digits[first] == QLatin1Char('0'))
        ++first;
    if (digits.size() - first > kExactDigits)
        return std::nullopt;
    return value;
}

QString fileNamePart(const QString& title)
{
    QString name;
    for (const QChar c : title) {
        static const QString forbidden = QStringLiteral("<>:\"/\\|?*");
        name += (c.unicode() < 0x20 || forbidden.contains(c)) ? QLatin1Char('_') : c;
    }
    name = name.left(80).trimmed();
    while (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    return name.isEmpty() ? QStringLiteral("export") : name;
}

void check(lxw_error result, const QString& file)
{
    if (result != LXW_NO_ERROR)
        throw Error(QStringLiteral("Не удалось записать файл %1: %2").arg(file, QString::fromUtf8(lxw_strerror(result))));
}

// Everything Excel would refuse is refused before a byte is written.
void checkFits(const StringGrid& grid, const QString& title)
{
    if (grid.rowCount() + 1 > kMaxSheetRows || grid.columnCount() > kMaxSheetColumns)
        throw Error(QStringLiteral("Таблица %1 x %2 не помещается на лист Excel (не больше %3 строк и %4 столбцов)")
                        .arg(grid.rowCount()).arg(grid.columnCount()).arg(kMaxSheetRows - 1).arg(kMaxSheetColumns));
    if (title.size() > kMaxCellText)
        throw Error(QStringLiteral("Заголовок длиннее %1 знаков не помещается в ячейку Excel").arg(kMaxCellText));
    for (int r = 0; r < grid.rowCount(); ++r)
        for (int c = 0; c < grid.columnCount(); ++c)
            if (grid.cell(r, c).size() > kMaxCellText)
                throw Error(QStringLiteral("Ячейка в строке %1, столбце %2 длиннее %3 знаков и не помещается в ячейку Excel")
                                .arg(r).arg(c + 1).arg(kMaxCellText));
}

void writeWorkbook(const QString& file, const StringGrid& grid, const QString& title)
{
    const QByteArray name = QDir::toNativeSeparators(file).toUtf8();
    lxw_workbook* book = workbook_new(name.constData());
    if (!book)
        throw Error(QStringLiteral("Не удалось начать файл %1").arg(file));
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    auto write = [&](lxw_error result) {
        if (result != LXW_NO_ERROR) {
            workbook_close(book); // frees the book; the caller removes the file
            check(result, file);
        }
    };
    if (!sheet)
        write(LXW_ERROR_MEMORY_MALLOC_FAILED);
    write(worksheet_write_string(sheet, 0, 0, title.toUtf8().constData(), nullptr));
    for (int r = 0; r < grid.rowCount(); ++r)
        for (int c = 0; c < grid.columnCount(); ++c) {
            const QString text = grid.cell(r, c);
            if (text.isEmpty())
                continue;
            if (const auto number = sheetNumber(text))
                write(worksheet_write_number(sheet, lxw_row_t(r + 1), lxw_col_t(c), *number, nullptr));
            else
                write(worksheet_write_string(sheet, lxw_row_t(r + 1), lxw_col_t(c), text.toUtf8().constData(), nullptr));
        }
    check(workbook_close(book), file);
}

QString folderSetting()
{
    QString folder = qEnvironmentVariable("TK4718EH_XLSX_FOLDER").trimmed();
    if (folder.isEmpty()) {
        Settings settings(QStringLiteral("TK4718EH"));
        if (settings.open(false))
            folder = settings.readString(QStringLiteral("XlsxFolder")).value_or(QString()).trimmed();
    }
    return folder;
}

// Whether a folder can take new files: it is writable, or the nearest folder that exists above it is.
bool folderUsable(const QString& folder)
{
    QFileInfo info(folder);
    while (!info.exists()) {
        const QString parent = info.absolutePath();
        if (parent == info.absoluteFilePath())
            return false;
        info = QFileInfo(parent);
    }
    return info.isDir() && info.isWritable();
}

// Writes the workbook under a new name in the folder: written to a temporary file first and
// renamed to a name nobody has taken, so neither an existing file nor half a file is ever seen.
QString writeNewWorkbook(const StringGrid& grid, const QString& title)
{
    checkFits(grid, title);
    const QString folder = excelFolder();
    if (!QDir().mkpath(folder))
        throw Error(QStringLiteral("Не удалось создать папку %1 для файлов Excel").arg(folder));
    QTemporaryFile temporary(folder + QStringLiteral("/.tk-export-XXXXXX.xlsx"));
    if (!temporary.open())
        throw Error(QStringLiteral("Не удалось записать файл в папку %1: %2").arg(folder, temporary.errorString()));
    temporary.close();
    writeWorkbook(temporary.fileName(), grid, title); // the temporary file removes itself on an error

    const QString stem = fileNamePart(title) + QLatin1Char(' ')
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    for (int n = 1; n < 1000; ++n) {
        const QString path = folder + QLatin1Char('/') + stem
            + (n == 1 ? QString() : QStringLiteral(" (%1)").arg(n)) + QStringLiteral(".xlsx");
        if (QFileInfo::exists(path))
            continue;
        // QFile::rename never replaces an existing file.
        if (temporary.rename(path)) {
            temporary.setAutoRemove(false);
            return path;
        }
        if (!QFileInfo::exists(path))
            throw Error(QStringLiteral("Не удалось записать файл %1: %2").arg(path, temporary.errorString()));
    }
    throw Error(QStringLiteral("В папке %1 нет свободного имени для %2.xlsx").arg(folder, stem));
}

QString exportGrid(const StringGrid& grid, const QString& title)
{
    const QString path = writeNewWorkbook(grid, title);
    try {
        openFileWithDesktop(path);
    } catch (const Error& e) {
        throw Error(QStringLiteral("Файл %1 записан, но не открыт: %2").arg(QDir::toNativeSeparators(path), e.message()));
    }
    return path;
}

} // namespace

void GridToXlsxFile(const StringGrid& grid, const QString& title, const QString& file)
{
    checkFits(grid, title);
    try {
        writeWorkbook(file, grid, title);
    } catch (const Error&) {
        QFile::remove(file);
        throw;
    }
}

QString excelFolder()
{
    const QString folder = folderSetting();
    if (!folder.isEmpty())
        return QDir::cleanPath(QDir(folder).absolutePath());
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

bool ExcelAvailable()
{
    if (!folderUsable(excelFolder()))
        return false;
    return !openCommandOverride().isEmpty() || desktopHandlesSuffix(QStringLiteral("xlsx"));
}

QString GridToExcel(const StringGrid& grid, const QString& title)
{
    return exportGrid(grid, title);
}

QString GridToExcel(const TextGrid& grid, const QString& title)
{
    StringGrid copy(grid.rowCount(), grid.columnCount());
    for (int r = 0; r < grid.rowCount(); ++r)
        for (int c = 0; c < grid.columnCount(); ++c)
            copy.setCell(r, c, grid.cell(r, c));
    return exportGrid(copy, title);
}

StringGrid ListViewToGrid(const QAbstractItemModel& list, int n)
{
    if (n < 1)
        throw Error(QStringLiteral("Список выгружается хотя бы одним столбцом"));
    if (list.columnCount() < n)
        throw Error(QStringLiteral("В списке %1 столбцов, а выгрузить нужно %2").arg(list.columnCount()).arg(n));
    const int items = list.rowCount();
    StringGrid grid(items + 1, n);
    for (int c = 0; c < n; ++c)
        grid.setCell(0, c, list.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    for (int i = 0; i < items; ++i)
        for (int c = 0; c < n; ++c)
            grid.setCell(i + 1, c, list.data(list.index(i, c), Qt::DisplayRole).toString());
    return grid;
}

} // namespace tk
