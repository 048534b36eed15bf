#include "common/AddOns.h"

#include "common/Cp1251.h"
#include "common/Error.h"

#include "vormadd.h"
#include "vormadddb.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

#include <array>
#include <cstring>

namespace tk::addons {

struct Vormadd::Functions {
    decltype(&::RouteFromFileName) routeFromFileName;
    decltype(&::DecodePersonalAccount) decodePersonalAccount;
    decltype(&::DecodeStreet) decodeStreet;
    decltype(&::DecodeHouse) decodeHouse;
    decltype(&::DecodeElectroNumber) decodeElectroNumber;
    decltype(&::DecodeElectroType) decodeElectroType;
    decltype(&::CheckRecord) checkRecord;
    decltype(&::GetDialogSave) getDialogSave;
    decltype(&::ExportToFile) exportToFile;
    decltype(&::GetAboutString) getAboutString;
    decltype(&::GetAboutBadge) getAboutBadge;
};

struct Vormadddb::Functions {
    decltype(&::PossibleWriteToDb) possibleWriteToDb;
    decltype(&::WriteToDb) writeToDb;
};

namespace {

constexpr int kBadgeMax = 256;
// Room past the 1024 bytes the contract gives, so that a library writing beyond its buffer is
// caught and reported instead of trampling the caller's stack.
constexpr int kGuard = 256;

std::unique_ptr<QLibrary> openLibrary(const QString& folder, const QString& name)
{
    auto library = std::make_unique<QLibrary>(QDir(folder).absoluteFilePath(name));
    if (!library->load())
        throw Error(QStringLiteral("Не удалось загрузить библиотеку %1 из папки %2: %3")
                        .arg(name, QDir::toNativeSeparators(QDir(folder).absolutePath()), library->errorString()));
    return library;
}

template <class F>
void resolve(QLibrary& library, const QString& name, const char* symbol, F& function)
{
    function = reinterpret_cast<F>(library.resolve(symbol));
    if (!function)
        throw Error(QStringLiteral("В библиотеке %1 нет функции %2").arg(name, QString::fromLatin1(symbol)));
}

// The text of a C buffer: up to its first NUL, never past `limit` bytes.
QString bufferText(const char* buffer, size_t limit)
{
    const void* nul = std::memchr(buffer, 0, limit);
    const size_t length = nul ? size_t(static_cast<const char*>(nul) - buffer) : limit;
    return fromCp1251(buffer, int(length));
}

// Calls one add-on function with a fresh error record as its last argument and turns a reported
// failure into an Error with the library's message.
template <class F, class... Args>
auto call(const QString& library, const char* function, F f, Args... args)
{
    VormError error;
    std::memset(&error, 0, sizeof error);
    auto raise = [&] {
        QString message = bufferText(error.message, VORM_TEXT_CAPACITY).trimmed();
        if (message.isEmpty())
            message = QStringLiteral("Библиотека %1 сообщила об ошибке в функции %2").arg(library, QString::fromLatin1(function));
        throw Error(message);
    };
    if constexpr (std::is_void_v<decltype(f(args..., &error))>) {
        f(args..., &error);
        if (error.raised)
            raise();
    } else {
        auto result = f(args..., &error);
        if (error.raised)
            raise();
        return result;
    }
}

QByteArray cp1251Argument(const QString& library, const QString& what, const QString& text)
{
    bool unmappable = false;
    QByteArray bytes = toCp1251(text, &unmappable);
    if (unmappable)
        throw Error(QStringLiteral("%1 «%2» нельзя передать библиотеке %3: в нём есть знаки вне кодировки Windows-1251")
                        .arg(what, text, library));
    if (bytes.contains('\0'))
        throw Error(QStringLiteral("%1 «%2» содержит нулевой знак").arg(what, text));
    return bytes;
}

// Runs a text-returning function with a zeroed 1024-byte buffer (plus the guard) and capacity 1023.
template <class F, class... Args>
QString textCall(const QString& library, const char* function, F f, Args... args)
{
    std::array<char, VORM_TEXT_BUFFER + kGuard> buffer{};
    call(library, function, f, args..., buffer.data(), int(VORM_TEXT_CAPACITY));
    for (size_t i = VORM_TEXT_BUFFER; i < buffer.size(); ++i)
        if (buffer[i] != 0)
            throw Error(QStringLiteral("Библиотека %1 записала в функции %2 больше %3 байт в буфер ответа")
                            .arg(library, QString::fromLatin1(function)).arg(VORM_TEXT_BUFFER));
    return bufferText(buffer.data(), VORM_TEXT_CAPACITY);
}

const QString kVormadd = QStringLiteral("vormadd");
const QString kVormadddb = QStringLiteral("vormadddb");

// The grid as the C side sees it: every cell converted once, alive for the whole call.
struct GridSnapshot {
    int rows = 0;
    int columns = 0;
    std::vector<QByteArray> cells;

    static const char* cell(const void* context, int row, int column)
    {
        const auto* self = static_cast<const GridSnapshot*>(context);
        if (row < 0 || row >= self->rows || column < 0 || column >= self->columns)
            return "";
        return self->cells[size_t(row) * self->columns + column].constData();
    }
};

} // namespace

Vormadd::Vormadd() = default;
Vormadd::~Vormadd() = default;

std::unique_ptr<Vormadd> Vormadd::load(const QString& folder)
{
    std::unique_ptr<Vormadd> a(new Vormadd);
    a->library_ = openLibrary(folder, kVormadd);
    a->f_ = std::make_unique<Functions>();
    QLibrary& l = *a->library_;
    Functions& f = *a->f_;
    resolve(l, kVormadd, "RouteFromFileName", f.routeFromFileName);
    resolve(l, kVormadd, "DecodePersonalAccount", f.decodePersonalAccount);
    resolve(l, kVormadd, "DecodeStreet", f.decodeStreet);
    resolve(l, kVormadd, "DecodeHouse", f.decodeHouse);
    resolve(l, kVormadd, "DecodeElectroNumber", f.decodeElectroNumber);
    resolve(l, kVormadd, "DecodeElectroType", f.decodeElectroType);
    resolve(l, kVormadd, "CheckRecord", f.checkRecord);
    resolve(l, kVormadd, "GetDialogSave", f.getDialogSave);
    resolve(l, kVormadd, "ExportToFile", f.exportToFile);
    resolve(l, kVormadd, "GetAboutString", f.getAboutString);
    resolve(l, kVormadd, "GetAboutBadge", f.getAboutBadge);
    return a;
}

QString Vormadd::fileName() const
{
    return library_->fileName();
}

QString Vormadd::routeFromFileName(const QString& path) const
{
    const QByteArray name = cp1251Argument(kVormadd, QStringLiteral("Путь"), QDir::toNativeSeparators(path));
    return textCall(kVormadd, "RouteFromFileName", f_->routeFromFileName, name.constData());
}

RouteLine Vormadd::decodeLine(const QByteArray& line) const
{
    // The line stops at a NUL byte for the C side anyway; say so rather than pass half of it.
    if (line.contains('\0'))
        throw Error(QStringLiteral("Строка файла маршрута содержит нулевой байт"));
    const char* text = line.constData();
    RouteLine r;
    r.account = textCall(kVormadd, "DecodePersonalAccount", f_->decodePersonalAccount, text);
    r.street = textCall(kVormadd, "DecodeStreet", f_->decodeStreet, text);
    r.house = textCall(kVormadd, "DecodeHouse", f_->decodeHouse, text);
    r.meterNumber = textCall(kVormadd, "DecodeElectroNumber", f_->decodeElectroNumber, text);
    r.meterType = textCall(kVormadd, "DecodeElectroType", f_->decodeElectroType, text);
    return r;
}

int Vormadd::checkRecord(const QString& account, const QString& house, const QString& meterNumber) const
{
    // The fields came from the decoders in Windows-1251, so they convert back unchanged.
    const QByteArray a = toCp1251(account), h = toCp1251(house), m = toCp1251(meterNumber);
    return call(kVormadd, "CheckRecord", f_->checkRecord, a.constData(), h.constData(), m.constData());
}

int Vormadd::getDialogSave() const
{
    return call(kVormadd, "GetDialogSave", f_->getDialogSave);
}

void Vormadd::exportToFile(const TextGrid& grid, const QString& target, int kind) const
{
    const QByteArray where = cp1251Argument(kVormadd, QStringLiteral("Путь"), QDir::toNativeSeparators(target));
    GridSnapshot snapshot;
    snapshot.rows = grid.rowCount();
    snapshot.columns = grid.columnCount();
    snapshot.cells.reserve(size_t(snapshot.rows) * snapshot.columns);
    for (int r = 0; r < snapshot.rows; ++r)
        for (int c = 0; c < snapshot.columns; ++c) {
            QByteArray bytes = toCp1251(grid.cell(r, c));
            bytes.replace('\0', ' '); // a C text ends at NUL; a stray one must not cut the cell
            snapshot.cells.push_back(std::move(bytes));
        }
    const VormGrid cGrid{snapshot.rows, snapshot.columns, &snapshot, &GridSnapshot::cell};
    call(kVormadd, "ExportToFile", f_->exportToFile, &cGrid, where.constData(), kind);
}

QString Vormadd::aboutString() const
{
    return textCall(kVormadd, "GetAboutString", f_->getAboutString);
}

Badge Vormadd::aboutBadge() const
{
    std::vector<quint32> pixels(size_t(kBadgeMax) * kBadgeMax, 0);
    VormBitmap bitmap{0, 0, kBadgeMax, kBadgeMax, pixels.data()};
    call(kVormadd, "GetAboutBadge", f_->getAboutBadge, &bitmap);
    const bool none = bitmap.width == 0 && bitmap.height == 0;
    const bool fits = bitmap.width > 0 && bitmap.width <= kBadgeMax && bitmap.height > 0 && bitmap.height <= kBadgeMax;
    if (bitmap.pixels != pixels.data() || (!none && !fits))
        throw Error(QStringLiteral("Библиотека vormadd вернула негодную картинку (%1 x %2, не больше %3 x %3)")
                        .arg(bitmap.width).arg(bitmap.height).arg(kBadgeMax));
    Badge badge;
    if (none)
        return badge;
    badge.width = bitmap.width;
    badge.height = bitmap.height;
    pixels.resize(size_t(bitmap.width) * bitmap.height);
    badge.pixels = std::move(pixels);
    return badge;
}

Vormadddb::Vormadddb() = default;
Vormadddb::~Vormadddb() = default;

std::unique_ptr<Vormadddb> Vormadddb::load(const QString& folder)
{
    std::unique_ptr<Vormadddb> a(new Vormadddb);
    a->library_ = openLibrary(folder, kVormadddb);
    a->f_ = std::make_unique<Functions>();
    resolve(*a->library_, kVormadddb, "PossibleWriteToDb", a->f_->possibleWriteToDb);
    resolve(*a->library_, kVormadddb, "WriteToDb", a->f_->writeToDb);
    return a;
}

QString Vormadddb::fileName() const
{
    return library_->fileName();
}

bool Vormadddb::possibleWriteToDb() const
{
    return call(kVormadddb, "PossibleWriteToDb", f_->possibleWriteToDb) != 0;
}

void Vormadddb::writeToDb(const DbReading& r) const
{
    call(kVormadddb, "WriteToDb", f_->writeToDb, r.kind, r.meterNumber, r.status, r.dateTime, r.checkSum, r.runMinutes,
         r.corrections, r.difference, r.tariffs[0], r.tariffs[1], r.tariffs[2], r.billing[0], r.billing[1], r.billing[2]);
}

AddOns loadAddOns(const QString& folder)
{
    AddOns a;
    a.vormadd = Vormadd::load(folder);
    a.vormadddb = Vormadddb::load(folder);
    return a;
}

AddOns loadAddOns()
{
    return loadAddOns(QCoreApplication::applicationDirPath());
}

} // namespace tk::addons
