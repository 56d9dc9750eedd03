#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace keylinker {

struct WindowTexts;

/// Shows the check of the selected key files: every finding and each file's statistics, selectable,
/// with a button that copies all of it. OK or Escape close it.
class CheckDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CheckDialog)

public:
    CheckDialog(const QString& report, const WindowTexts& texts, QWidget* parent);

    QString report() const;

private:
    QPlainTextEdit* m_report = nullptr;
};

} // namespace keylinker
