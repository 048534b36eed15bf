#include "store/dbf/TableModel.h"

#include "common/Error.h"
#include "common/Regional.h"

#include <QDate>
#include <algorithm>

namespace tk::dbf {
namespace {
constexpr int kLockWaitMs = 10000;
}

TableModel::TableModel(QObject* parent) : QAbstractTableModel(parent) {}
TableModel::~TableModel() = default;

void TableModel::open(const QString& path)
{
    beginResetModel();
    path_ = path;
    try {
        load();
    } catch (...) {
        file_.close();
        deleted_.clear();
        endResetModel();
        throw;
    }
    endResetModel();
}

void TableModel::load()
{
    cachedRow_ = -1;
    deleted_.clear();
    for (int attempt = 0;; ++attempt) {
        file_.open(path_, DbfFile::Access::ReadOnly, kLockWaitMs);
        if (!file_.os().lock(LockSlot::Presence, LockKind::Shared, kLockWaitMs))
            throw Error(QStringLiteral("%1 is opened exclusively by another program").arg(file_.name()));
        if (!file_.lockForRead(kLockWaitMs))
            throw Error(QStringLiteral("%1 is locked by another program").arg(file_.name()));
        if (file_.refresh() != DbfFile::Refresh::Reopened)
            break;
        if (attempt == 4)
            throw Error(QStringLiteral("%1 keeps being replaced; try again later").arg(file_.name()));
    }
    // Only the deletion flags are read, in large blocks (never larger than the table).
    const Schema& s = file_.schema();
    const std::uint64_t len = std::uint64_t(s.recordLength);
    const std::uint32_t perBlock = std::uint32_t(std::clamp<std::uint64_t>((4u << 20) / len, 1, std::max(1u, s.recordCount)));
    std::vector<char> buf(std::size_t(perBlock * len));
    for (std::uint32_t first = 0; first < s.recordCount; first += perBlock) {
        const std::uint32_t n = std::min(perBlock, s.recordCount - first);
        file_.os().readAt(std::uint64_t(s.headerLength) + first * len, buf.data(), std::size_t(n * len));
        for (std::uint32_t i = 0; i < n; ++i)
            if (buf[std::size_t(i * len)] == kDeletedFlag)
                deleted_.push_back(first + i);
    }
    file_.os().unlock(LockSlot::Data);
}

void TableModel::close()
{
    beginResetModel();
    file_.close();
    deleted_.clear();
    cachedRow_ = -1;
    endResetModel();
}

void TableModel::refresh()
{
    if (!file_.isOpen())
        return;
    const FileStamp disk = stampOf(path_);
    const FileStamp mine = file_.stamp();
    if (disk == mine)
        return;
    open(path_);
}

std::uint32_t TableModel::recordOf(int row) const
{
    // The row-th live record: row plus the deleted records before it.
    std::uint32_t r = std::uint32_t(row);
    while (true) {
        const auto k = std::uint32_t(std::upper_bound(deleted_.begin(), deleted_.end(), r) - deleted_.begin());
        const std::uint32_t next = std::uint32_t(row) + k;
        if (next == r)
            break;
        r = next;
    }
    return r;
}

const char* TableModel::rowRecord(int row) const
{
    if (row != cachedRow_) {
        // A short shared lock per record, so that a record being written elsewhere is
        // never seen half done.
        if (!file_.lockForRead(kLockWaitMs))
            throw Error(QStringLiteral("%1 is locked by another program").arg(file_.name()));
        file_.dropCache();
        try {
            cached_.assign(file_.record(recordOf(row)), std::size_t(file_.schema().recordLength));
        } catch (...) {
            file_.os().unlock(LockSlot::Data);
            throw;
        }
        file_.os().unlock(LockSlot::Data);
        cachedRow_ = row;
    }
    return cached_.data();
}

QVariant TableModel::value(int row, int column) const
{
    const Field& f = file_.schema().fields.at(std::size_t(column));
    Value v;
    decodeField(f, file_.schema().codePage, rowRecord(row), v, {file_.name(), long(recordOf(row))});
    switch (v.kind) {
    case Value::Kind::Null: return {};
    case Value::Kind::Integer: return QVariant(qlonglong(v.i));
    case Value::Kind::Real: return QVariant(v.d);
    case Value::Kind::Date: return QVariant(QDate::fromString(QString::fromStdString(v.text), Qt::ISODate));
    case Value::Kind::Text: return QVariant(QString::fromStdString(v.text));
    }
    return {};
}

int TableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !file_.isOpen() ? 0 : liveRowCount();
}

int TableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !file_.isOpen() ? 0 : int(file_.schema().fields.size());
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    QVariant v;
    try {
        v = value(index.row(), index.column());
    } catch (const Error& e) {
        return e.message(); // a damaged field shows what is wrong with it
    }
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::QDate)
        return regional::shortDate(v.toDate());
    if (v.typeId() == QMetaType::Double)
        return regional::number(v.toDouble());
    return v.toString();
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || !file_.isOpen())
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromStdString(file_.schema().fields.at(std::size_t(section)).name);
}

} // namespace tk::dbf
