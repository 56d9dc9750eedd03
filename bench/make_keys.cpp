// Writes generated, not yet linked keys for the command-line benchmark.
//
//   make_keys DIR COUNT BYTES [SEED]
//
// Key i (counting from 0) is made with seed SEED + i, so the same arguments always give the same
// files, and the keys of one run differ from each other (and alternate between the two languages).

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QString>

#include "KeyGenerator.h"

namespace {

bool parseNumber(const char* text, unsigned long long& value)
{
    char* end = nullptr;
    value = std::strtoull(text, &end, 10);
    return end != text && *end == '\0';
}

} // namespace

int main(int argc, char** argv)
{
    unsigned long long count = 0;
    unsigned long long bytes = 0;
    unsigned long long seed = 1;
    if (argc < 4 || argc > 5 || !parseNumber(argv[2], count) || !parseNumber(argv[3], bytes) ||
        (argc == 5 && !parseNumber(argv[4], seed))) {
        std::fprintf(stderr, "usage: make_keys DIR COUNT BYTES [SEED]\n");
        return 2;
    }

    const QString folder = QFile::decodeName(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "make_keys: cannot create %s\n", argv[1]);
        return 1;
    }

    // Wide enough that the names sort in the order they were made.
    const int width = std::max(4, int(QString::number(count).size()));
    qint64 total = 0;
    for (unsigned long long i = 0; i < count; ++i) {
        keylinker::bench::KeyGenerator generator(quint32(seed + i));
        const QByteArray key = generator.generate(qsizetype(bytes));
        const QString name =
            QStringLiteral("%1/key%2.htm").arg(folder).arg(i + 1, width, 10, QLatin1Char('0'));
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly) || file.write(key) != key.size()) {
            std::fprintf(stderr, "make_keys: %s: %s\n", qPrintable(name), qPrintable(file.errorString()));
            return 1;
        }
        total += key.size();
    }
    std::printf("%llu keys, %lld bytes in all, in %s\n", count, static_cast<long long>(total), argv[1]);
    return 0;
}
