#include "FileDialogs.h"

#include <algorithm>

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTreeView>

#include "WindowTexts.h"

namespace keylinker {
namespace {

// Wide enough for the detail view's name, size, type and date columns in both languages.
constexpr QSize dialogSize(820, 500);

/// The detail view's columns, each as wide as its widest entry, so that none is cut.
void fitColumns(QFileDialog& dialog)
{
    auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!details)
        return;
    details->header()->setStretchLastSection(false);
    for (int column = 1; column < details->header()->count(); ++column)
        details->resizeColumnToContents(column);
    details->header()->setSectionResizeMode(0, QHeaderView::Stretch);
}

/// The name follows the file type chosen, so that a name never promises another form: a name the
/// dialog proposed becomes the new type's, a name of the user's takes its suffix.
void followType(QFileDialog& dialog, const FileDialogRequest& request)
{
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!name)
        return;
    QObject::connect(&dialog, &QFileDialog::filterSelected, name, [name, request](const QString& filter) {
        const qsizetype type = request.types.indexOf(filter);
        const QString text = name->text();
        if (type >= 0 && type < request.names.size() && request.names.contains(text)) {
            name->setText(request.names.at(type));
            return;
        }
        static const QRegularExpression firstSuffix(QStringLiteral("\\*(\\.\\w+)"));
        const QString suffix = firstSuffix.match(filter).captured(1);
        const qsizetype dot = text.lastIndexOf(u'.');
        if (!suffix.isEmpty() && dot > 0 && dot > text.lastIndexOf(u'/'))
            name->setText(text.left(dot) + suffix);
    });
}

/// The request's choices as rows under the file type, each shown while a type it belongs to is.
QList<QComboBox*> addChoices(QFileDialog& dialog, const FileDialogRequest& request)
{
    QList<QComboBox*> boxes;
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid)
        return boxes;
    for (const FileDialogChoice& choice : request.choices) {
        auto* label = new QLabel(choice.label, &dialog);
        auto* box = new QComboBox(&dialog);
        box->addItems(choice.options);
        box->setCurrentIndex(choice.chosen);
        label->setBuddy(box);
        const int row = grid->rowCount();
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
        const auto show = [label, box, choice, request](const QString& filter) {
            const bool shown = choice.forTypes.contains(static_cast<int>(request.types.indexOf(filter)));
            label->setVisible(shown);
            box->setVisible(shown);
        };
        QObject::connect(&dialog, &QFileDialog::filterSelected, box, show);
        show(request.types.value(request.chosenType));
        boxes << box;
    }
    return boxes;
}

} // namespace

QString QtFileDialogs::openFile(const FileDialogRequest& request)
{
    FileDialogAnswer answer;
    return run(request, false, answer);
}

QString QtFileDialogs::saveFile(const FileDialogRequest& request, FileDialogAnswer& answer)
{
    return run(request, true, answer);
}

QString QtFileDialogs::run(const FileDialogRequest& request, bool save, FileDialogAnswer& answer)
{
    const WindowTexts& texts = WindowTexts::of(request.language);
    QFileDialog dialog(m_parent, request.title);
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(request.types);
    dialog.selectNameFilter(request.types.value(request.chosenType));
    dialog.setViewMode(QFileDialog::Detail);
    const QFileInfo start(request.start);
    if (start.isDir()) {
        dialog.setDirectory(request.start);
    } else {
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
    dialog.setLabelText(QFileDialog::LookIn, texts.txtSuchenIn);
    dialog.setLabelText(QFileDialog::FileName, texts.txtDateiname);
    dialog.setLabelText(QFileDialog::FileType, texts.txtDateityp);
    dialog.setLabelText(QFileDialog::Accept, save ? texts.txtSpeichern : texts.txtOeffnen);
    dialog.setLabelText(QFileDialog::Reject, texts.txtAbbrechenKnopf);
    if (save)
        followType(dialog, request);
    const QList<QComboBox*> choices = addChoices(dialog, request);
    dialog.resize(dialogSize);
    QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog, [&dialog] { fitColumns(dialog); });
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView")))
        QObject::connect(details->model(), &QAbstractItemModel::layoutChanged, &dialog,
                         [&dialog] { fitColumns(dialog); });
    fitColumns(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    answer.type = std::max(0, static_cast<int>(request.types.indexOf(dialog.selectedNameFilter())));
    answer.choices.clear();
    for (const QComboBox* box : choices)
        answer.choices << box->currentIndex();
    return dialog.selectedFiles().constFirst();
}

} // namespace keylinker
