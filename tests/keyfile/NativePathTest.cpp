#include "NativePath.h"

#include <random>

#include <gtest/gtest.h>

#include "QtPrinters.h"

namespace keylinker {
namespace {

// Invalid pieces end in ASCII so that no two of them join into valid UTF-8. Any byte string comes back
// unchanged, and valid UTF-8 decodes as Qt decodes it, so only names that Qt would spoil look different.
TEST(NativePath, EveryByteStringRoundTripsAndValidUtf8DecodesAsText)
{
    std::mt19937 random(7);
    const QByteArray pieces[] = {"a",
                                 "/",
                                 "\xC3\xA4",
                                 "\xE4z",
                                 "\xF0\x9F\x90\x9E",
                                 "\xED\xA0\x80",
                                 "\xC0\xAF",
                                 "\xF4\x90\x80\x80",
                                 "\x80",
                                 "\xE2\x82z",
                                 "\n"};
    for (int round = 0; round < 5000; ++round) {
        QByteArray bytes;
        const int count = int(random() % 8);
        bool valid = true;
        for (int i = 0; i < count; ++i) {
            const qsizetype pick = random() % std::size(pieces);
            bytes += pieces[pick];
            valid = valid && (pick <= 2 || pick == 4 || pick == 10);
        }
        const QString path = fromNativePath(bytes);
        ASSERT_EQ(toNativePath(path), bytes) << bytes.toHex().toStdString();
        EXPECT_EQ(hasEscapedBytes(path), !valid) << bytes.toHex().toStdString();
        if (valid) {
            EXPECT_EQ(path, QString::fromUtf8(bytes));
        }
    }
    EXPECT_EQ(fromNativePath("K\xE4"
                             "fer.htm")
                  .size(),
              9);
}

} // namespace
} // namespace keylinker
