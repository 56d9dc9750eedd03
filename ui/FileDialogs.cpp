#include "FileDialogs.h"

#include <algorithm>

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>

#include "WindowTexts.h"

namespace keylinker {

QString QtFileDialogs::openFile(const FileDialogRequest& request)
{
    int type = 0;
    return run(request, false, type);
}

QString QtFileDialogs::saveFile(const FileDialogRequest& request, int& type)
{
    return run(request, true, type);
}

QString QtFileDialogs::run(const FileDialogRequest& request, bool save, int& type)
{
    const WindowTexts& texts = WindowTexts::of(request.language);
    QFileDialog dialog(m_parent, request.title);
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(request.types);
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
    // The name follows the file type chosen, so that a name never promises another form.
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (save && name) {
        QObject::connect(&dialog, &QFileDialog::filterSelected, name, [name](const QString& filter) {
            static const QRegularExpression firstSuffix(QStringLiteral("\\*(\\.\\w+)"));
            const QString suffix = firstSuffix.match(filter).captured(1);
            const QString text = name->text();
            const qsizetype dot = text.lastIndexOf(u'.');
            if (!suffix.isEmpty() && dot > 0 && dot > text.lastIndexOf(u'/'))
                name->setText(text.left(dot) + suffix);
        });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    type = std::max(0, static_cast<int>(request.types.indexOf(dialog.selectedNameFilter())));
    return dialog.selectedFiles().constFirst();
}

} // namespace keylinker
