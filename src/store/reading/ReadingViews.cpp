#include "store/reading/ReadingViews.h"

#include "common/Error.h"
#include "store/reading/ReadingStore.h"
#include "store/reading/ReadingTables.h"
#include "store/dbf/TableModel.h"

#include <QDir>

namespace tk::store {

TitledTableModel::TitledTableModel(const ReadingTable& table, dbf::TableModel* source, QObject* parent)
    : QIdentityProxyModel(parent), table_(table), tableModel_(source)
{
    setSourceModel(source);
}

QString TitledTableModel::fieldOf(int column) const
{
    if (!tableModel_->isOpen() || column < 0 || column >= int(tableModel_->schema().fields.size()))
        return {};
    return QString::fromStdString(tableModel_->schema().fields[std::size_t(column)].name).toUpper();
}

int TitledTableModel::columnOf(const char* field) const
{
    return tableModel_->isOpen() ? tableModel_->schema().fieldIndex(field) : -1;
}

int TitledTableModel::widthOf(int column) const
{
    const QString field = fieldOf(column);
    for (const GridColumn& c : table_.columns)
        if (field == QLatin1String(c.field))
            return c.width;
    return 0;
}

QVariant TitledTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        const QString field = fieldOf(section);
        for (const GridColumn& c : table_.columns)
            if (field == QLatin1String(c.field))
                return c.title;
    }
    return QIdentityProxyModel::headerData(section, orientation, role);
}

struct ReadingViews::View {
    const ReadingTable* table = nullptr;
    std::unique_ptr<dbf::TableModel> source;
    std::unique_ptr<TitledTableModel> titled;
    QString failure;
};

ReadingViews::ReadingViews(QString directory) : dir_(QDir(directory).absolutePath())
{
    for (std::size_t i = 0; i < views_.size(); ++i) {
        auto v = std::make_unique<View>();
        v->table = readingTable(storedFamilies()[i]);
        v->source = std::make_unique<dbf::TableModel>();
        v->titled = std::make_unique<TitledTableModel>(*v->table, v->source.get());
        views_[i] = std::move(v);
    }
}

ReadingViews::~ReadingViews()
{
    // The proxies go before the tables they show.
    for (auto& v : views_)
        v->titled.reset();
}

ReadingViews::View& ReadingViews::view(Family f) const
{
    for (const auto& v : views_)
        if (v->table->family == f)
            return *v;
    throw Error(QStringLiteral("%1 не хранится в таблицах").arg(familyName(f)));
}

TitledTableModel* ReadingViews::model(Family f) const
{
    return view(f).titled.get();
}

bool ReadingViews::open(Family f)
{
    View& v = view(f);
    v.failure.clear();
    try {
        const QString path = findTableFile(dir_, v.table->fileName);
        if (path.isEmpty())
            throw Error(QStringLiteral("нет файла %1 в папке %2").arg(v.table->fileName, QDir::toNativeSeparators(dir_)));
        v.source->open(path);
    } catch (const Error& e) {
        v.source->close();
        v.failure = e.message();
        return false;
    }
    return true;
}

void ReadingViews::close(Family f)
{
    view(f).source->close();
}

void ReadingViews::closeAll()
{
    for (auto& v : views_)
        v->source->close();
}

bool ReadingViews::isOpen(Family f) const
{
    return view(f).source->isOpen();
}

QString ReadingViews::failure(Family f) const
{
    return view(f).failure;
}

std::optional<int> ReadingViews::rowCount(Family f) const
{
    const View& v = view(f);
    if (!v.source->isOpen())
        return std::nullopt;
    return v.source->liveRowCount();
}

} // namespace tk::store
