#pragma once

#include <QString>

#include "Language.h"

class QWidget;

namespace keylinker {

/// Where the window's messages go: a modal box with an OK button only, no icon and the program's name
/// as title. Tests put a recorder in its place.
class MessageSink
{
public:
    virtual ~MessageSink() = default;
    /// Shows `text` and returns when the user has closed it.
    virtual void show(const QString& text) = 0;
    /// Asks `question` with Yes and No; true for Yes.
    virtual bool ask(const QString& question) = 0;
};

/// The real message box, its buttons in the window's language.
class MessageBoxSink final : public MessageSink
{
public:
    explicit MessageBoxSink(QWidget* parent) : m_parent(parent) {}
    void show(const QString& text) override;
    bool ask(const QString& question) override;
    void setLanguage(Language language) { m_language = language; }

private:
    QWidget* m_parent;
    Language m_language = Language::German;
};

} // namespace keylinker
