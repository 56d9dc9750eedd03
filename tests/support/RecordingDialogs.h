#pragma once

#include <QList>
#include <QString>

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
    QString saveFile(const FileDialogRequest& request, int& type) override
    {
        asked << request;
        type = savedType;
        return saved;
    }
    QList<FileDialogRequest> asked;
    QString opened;    ///< the file chosen to open; empty: cancelled
    QString saved;     ///< the name chosen to save under; empty: cancelled
    int savedType = 0; ///< the file type chosen with it
};

} // namespace keylinker::test
