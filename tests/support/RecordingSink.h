#pragma once

#include <QStringList>

#include "MessageSink.h"

namespace keylinker::test {

/// Records the messages the window would show in boxes.
class RecordingSink final : public MessageSink
{
public:
    void show(const QString& text) override { shown << text; }
    QStringList shown;
};

} // namespace keylinker::test
