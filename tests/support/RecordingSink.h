#pragma once

#include <functional>

#include <QStringList>

#include "MessageSink.h"

namespace keylinker::test {

/// Records the messages the window would show in boxes.
class RecordingSink final : public MessageSink
{
public:
    void show(const QString& text) override
    {
        shown << text;
        if (whileShown)
            whileShown();
    }
    bool ask(const QString& question) override
    {
        asked << question;
        return answer;
    }
    QStringList shown;
    std::function<void()> whileShown; ///< what happens before the user closes the box
    QStringList asked;
    bool answer = false; ///< what the user answers every question with
};

} // namespace keylinker::test
