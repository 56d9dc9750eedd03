#include "QtPrinters.h"

#include <gtest/gtest.h>

QT_BEGIN_NAMESPACE

void PrintTo(const QString& text, std::ostream* out)
{
    *out << testing::PrintToString(text.toStdString());
}

void PrintTo(const QByteArray& bytes, std::ostream* out)
{
    *out << testing::PrintToString(bytes.toStdString());
}

QT_END_NAMESPACE
