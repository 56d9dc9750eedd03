#pragma once

#include <ostream>

#include <QByteArray>
#include <QString>

// GoogleTest finds these beside Qt's types, so a failing comparison shows the text instead of the
// bytes of the object; lists of them print through these too.
QT_BEGIN_NAMESPACE
void PrintTo(const QString& text, std::ostream* out);
void PrintTo(const QByteArray& bytes, std::ostream* out);
QT_END_NAMESPACE
