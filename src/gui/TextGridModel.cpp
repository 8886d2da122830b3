#include "gui/TextGridModel.h"

#include <QBrush>
#include <QColor>
#include <QFont>

namespace solvane {

TextGridModel::TextGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void TextGridModel::setGrid(TextGrid grid)
{
    beginResetModel();
    grid_ = std::move(grid);
    endResetModel();
}

void TextGridModel::refresh(TextGrid grid)
{
    if (grid.rowCount() != grid_.rowCount() || grid.columnCount() != grid_.columnCount()) {
        setGrid(std::move(grid));
        return;
    }
    grid_ = std::move(grid);
    if (grid_.rowCount() > 0 && grid_.columnCount() > 0)
        emit dataChanged(index(0, 0), index(grid_.rowCount() - 1, grid_.columnCount() - 1));
    emit headerDataChanged(Qt::Horizontal, 0, grid_.columnCount() - 1);
}

int TextGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : grid_.rowCount();
}

int TextGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : grid_.columnCount();
}

static Qt::Alignment toQt(CellAlign align)
{
    switch (align) {
    case CellAlign::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    case CellAlign::Center:
        return Qt::AlignCenter;
    case CellAlign::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

QVariant TextGridModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int r = index.row();
    const int c = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return QString::fromUtf8(grid_.cell(r, c));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(toQt(grid_.align(c)));
    case Qt::ForegroundRole: {
        const CellStyle s = grid_.style(r, c);
        return s.hasForeground ? QVariant(QBrush(QColor::fromRgb(s.foreground))) : QVariant();
    }
    case Qt::BackgroundRole: {
        const CellStyle s = grid_.style(r, c);
        return s.hasBackground ? QVariant(QBrush(QColor::fromRgb(s.background))) : QVariant();
    }
    case Qt::FontRole: {
        if (!grid_.style(r, c).bold)
            return {};
        QFont font;
        font.setBold(true);
        return font;
    }
    default:
        return {};
    }
}

QVariant TextGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= grid_.columnCount())
        return {};
    return QString::fromUtf8(grid_.headings()[static_cast<std::size_t>(section)]);
}

} // namespace solvane
