#pragma once

#include <QStyledItemDelegate>

namespace keylinker {

/// Draws the folder list as a little tree: each folder indented by its depth, the ancestors and the
/// open folder with an open folder, the subfolders with a closed one.
class DirectoryItemDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DirectoryItemDelegate)

public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

} // namespace keylinker
