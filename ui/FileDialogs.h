#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "Language.h"

class QWidget;

namespace keylinker {

/// A choice a save dialog offers beside the name, shown for some of its file types only.
struct FileDialogChoice final
{
    QString label;
    QStringList options;
    int chosen = 0;      ///< the option chosen at the start
    QList<int> forTypes; ///< the indexes of the file types it belongs to
};

/// What a file dialog is asked: its title, where it starts, and the file types it offers
/// ("Name (*.x *.y)").
struct FileDialogRequest final
{
    QString title;
    QString start; ///< a folder, or a file name proposed in its folder
    QStringList types;
    Language language = Language::German;
    /// A save dialog's proposed file name for each type, in step with `types`: choosing a type puts
    /// its name in place of a proposed one. Empty: the name only takes the type's suffix.
    QStringList names{};
    QList<FileDialogChoice> choices{};
    int chosenType = 0; ///< the file type chosen at the start
};

/// What the user answered a save dialog besides the name.
struct FileDialogAnswer final
{
    int type = 0;       ///< the index of the file type chosen
    QList<int> choices; ///< the option chosen in each of the request's choices
};

/// Where the window's file dialogs come from. Tests answer in their place.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    /// A file to read; empty when the user cancelled.
    virtual QString openFile(const FileDialogRequest& request) = 0;
    /// A name to write under, and in `answer` the file type and options chosen; empty when the user
    /// cancelled. A name that is taken is not asked about here: the caller asks.
    virtual QString saveFile(const FileDialogRequest& request, FileDialogAnswer& answer) = 0;
};

/// The real dialogs: Qt's own rather than the platform's, so that their labels and buttons speak
/// the window's language.
class QtFileDialogs final : public FileDialogs
{
public:
    explicit QtFileDialogs(QWidget* parent) : m_parent(parent) {}
    QString openFile(const FileDialogRequest& request) override;
    QString saveFile(const FileDialogRequest& request, FileDialogAnswer& answer) override;

private:
    QString run(const FileDialogRequest& request, bool save, FileDialogAnswer& answer);

    QWidget* m_parent;
};

} // namespace keylinker
