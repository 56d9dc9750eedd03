#pragma once

#include <QStringList>

#include "KeyFileProcessor.h"
#include "KeyFileReporter.h"

namespace keylinker {

class KeyFileStore;
class MessageSink;
class Suchen;

/// The window's Process command: the selected keys given anchors and links, each key's messages in
/// the window's message boxes, and the outcome in the status label.
class ProcessFlow final
{
public:
    ProcessFlow(Suchen& window, MessageSink& messages, KeyFileStore& store);

    KeyFileProcessor& processor() { return m_processor; }
    /// Processes `selected`, the selected files of the visible list, in list order.
    void process(const QStringList& selected);
    /// The status label is small and its face large: a longer text takes a smaller face, so that all
    /// of it shows.
    void showStatus(const QString& text);

private:
    /// Hands the key file procedure's messages to the window's message boxes.
    class WindowReporter final : public KeyFileReporter
    {
    public:
        explicit WindowReporter(MessageSink& messages) : m_messages(messages) {}
        void message(const QString& path, const QString& text) override;
        void errorReport(const QString& plainPath, const QString& errorText) override;

    private:
        MessageSink& m_messages;
    };

    bool restoreAgreed(const QStringList& selected);
    static QStringList backupsOf(const QString& path);
    /// Processes one key; true when errors remain in it.
    bool bearbeiten(const QString& path);

    Suchen& m_window;
    MessageSink& m_messages;
    WindowReporter m_reporter;
    KeyFileProcessor m_processor;
};

} // namespace keylinker
