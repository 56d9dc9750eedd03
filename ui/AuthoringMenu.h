#pragma once

#include <QStringList>

#include "Language.h"

class QWidget;

namespace keylinker {

class KeyFileProcessor;
class KeyFileStore;
class MessageSink;
struct WindowTexts;

/// The authoring commands of the menu: the check of the selected key files, shown in a dialog, and
/// their renumbering, after the user agreed.
class AuthoringMenu final
{
public:
    AuthoringMenu(KeyFileProcessor& processor, KeyFileStore& store, MessageSink& messages);

    /// Opens the check report of `files` over `parent`, window-modal but not blocking, so the author
    /// may keep it open beside the key in an editor.
    void check(const QStringList& files, Language language, QWidget* parent);
    /// Renumbers `files` through the key file procedure, each file's findings in one message; true
    /// when it ran, false when there was nothing chosen or the user said no.
    bool renumber(const QStringList& files, Language language);

private:
    static QString renumberQuestion(const QStringList& files, const WindowTexts& texts);

    KeyFileProcessor& m_processor;
    KeyFileStore& m_store;
    MessageSink& m_messages;
};

} // namespace keylinker
