#include "DirectoryItemDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

#include "DirectoryListModel.h"

namespace keylinker {
namespace {

constexpr int indentPerLevel = 8;

} // namespace

void DirectoryItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const bool open = index.data(DirectoryListModel::IsOpenFolderRole).toBool() ||
                      index.data(DirectoryListModel::IsAncestorRole).toBool();
    const QStyle* style = option->widget ? option->widget->style() : QApplication::style();
    option->icon = style->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon);
    option->features |= QStyleOptionViewItem::HasDecoration;
    option->decorationSize = QSize(12, 12);
}

void DirectoryItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const
{
    QStyleOptionViewItem indented = option;
    indented.rect.adjust(index.data(DirectoryListModel::LevelRole).toInt() * indentPerLevel, 0, 0, 0);
    QStyledItemDelegate::paint(painter, indented, index);
    // The highlighted folder is always selected, so only a frame of its own shows that the list has
    // the focus, however the focus came.
    if (option.state & QStyle::State_HasFocus) {
        painter->save();
        const bool selected = option.state & QStyle::State_Selected;
        painter->setPen(QPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text), 1,
                             Qt::DotLine));
        painter->drawRect(indented.rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }
}

} // namespace keylinker
