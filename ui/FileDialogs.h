#pragma once

#include <QString>
#include <QStringList>

#include "Language.h"

class QWidget;

namespace keylinker {

/// What a file dialog is asked: its title, where it starts, and the file types it offers
/// ("Name (*.x *.y)"), the first chosen at the start.
struct FileDialogRequest final
{
    QString title;
    QString start; ///< a folder, or a file name proposed in its folder
    QStringList types;
    Language language = Language::German;
};

/// Where the window's file dialogs come from. Tests answer in their place.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    /// A file to read; empty when the user cancelled.
    virtual QString openFile(const FileDialogRequest& request) = 0;
    /// A name to write under, and in `type` the index of the file type chosen; empty when the user
    /// cancelled. A name that is taken is not asked about here: the caller asks.
    virtual QString saveFile(const FileDialogRequest& request, int& type) = 0;
};

/// The real dialogs: Qt's own rather than the platform's, so that their labels and buttons speak
/// the window's language.
class QtFileDialogs final : public FileDialogs
{
public:
    explicit QtFileDialogs(QWidget* parent) : m_parent(parent) {}
    QString openFile(const FileDialogRequest& request) override;
    QString saveFile(const FileDialogRequest& request, int& type) override;

private:
    QString run(const FileDialogRequest& request, bool save, int& type);

    QWidget* m_parent;
};

} // namespace keylinker
