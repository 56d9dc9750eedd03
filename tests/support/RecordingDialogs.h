#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "FileDialogs.h"

namespace keylinker::test {

/// Answers the window's file dialogs as the user would have, and records what each was asked.
class RecordingDialogs final : public FileDialogs
{
public:
    QString openFile(const FileDialogRequest& request) override
    {
        asked << request;
        return opened;
    }
    QString saveFile(const FileDialogRequest& request, FileDialogAnswer& answer) override
    {
        asked << request;
        answer.type = savedType;
        answer.choices.clear();
        for (qsizetype at = 0; at < request.choices.size(); ++at)
            answer.choices << savedChoices.value(at, request.choices.at(at).chosen);
        return savedInTurn.isEmpty() ? saved : savedInTurn.takeFirst();
    }
    QList<FileDialogRequest> asked;
    QString opened;          ///< the file chosen to open; empty: cancelled
    QString saved;           ///< the name chosen to save under; empty: cancelled
    QStringList savedInTurn; ///< names chosen in the next dialogs, before `saved`
    int savedType = 0;       ///< the file type chosen with it
    QList<int> savedChoices; ///< the options chosen; missing ones stay as the dialog proposed
};

} // namespace keylinker::test
