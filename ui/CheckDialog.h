#pragma once

#include <QDialog>
#include <QList>

#include "Language.h"

class QPlainTextEdit;

namespace keylinker {

struct CheckedKeyFile;

/// Shows the check of the selected key files: per file its statistics as a labelled list, then each
/// finding as a row (line, severity, text) with the key's line beneath and the place marked, in a
/// fixed-pitch font. One file is named in the title, several each above their part. Selectable,
/// with a button that copies all of it; OK or Escape close it.
class CheckDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CheckDialog)

public:
    CheckDialog(const QList<CheckedKeyFile>& files, Language language, QWidget* parent);

    /// The title and everything shown, as the Copy button copies it.
    QString report() const;

private:
    QPlainTextEdit* m_report = nullptr;
};

} // namespace keylinker
