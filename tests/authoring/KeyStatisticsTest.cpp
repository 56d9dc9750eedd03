#include "KeyStatistics.h"

#include <gtest/gtest.h>

#include "KeyReader.h"

namespace keylinker {
namespace {

KeyStatistics figuresOf(const QByteArray& text)
{
    return KeyStatistics::of(KeyReader::read(text));
}

TEST(KeyStatistics, WaysAndBalance)
{
    // Balanced: four taxa, each two entries deep.
    const KeyStatistics balanced =
        figuresOf("<P>#1 a ....2<BR>b ....3\n<P>#2 c ....<I>Carabus</I> A<BR>d ....B\n"
                  "<P>#3 e ....Carabus  A<BR>f ....C\n");
    EXPECT_EQ(balanced.entries, 3);
    EXPECT_EQ(balanced.leads, 6);
    EXPECT_EQ(balanced.taxonLeads, 4);
    EXPECT_EQ(balanced.distinctTaxa, 3);
    EXPECT_EQ(balanced.repeatedTaxa, 1);
    EXPECT_EQ(balanced.longestWay, 2);
    EXPECT_DOUBLE_EQ(balanced.meanWay, 2.0);
    EXPECT_DOUBLE_EQ(balanced.balance, 1.0);
    EXPECT_FALSE(balanced.partial);
    EXPECT_EQ(
        balanced.text(Language::English),
        QStringLiteral("3 entries, 6 leads, 4 end in a taxon (3 distinct, 1 more than once), longest way 2, "
                       "mean way 2.00, balance 1.00"));

    // A chain: ways 1, 2, 3, 3; the loop from entry 3 back to 2 is not followed.
    const KeyStatistics chain = figuresOf("<P>#1 a ....A<BR>b ....2\n<P>#2 c ....B<BR>d ....3\n"
                                          "<P>#3 e ....C<BR>f ....D<BR>g ....2\n");
    EXPECT_EQ(chain.longestWay, 3);
    EXPECT_DOUBLE_EQ(chain.meanWay, 9.0 / 4);
    EXPECT_DOUBLE_EQ(chain.balance, 9.0 / 8);
    EXPECT_TRUE(chain.partial);
    EXPECT_TRUE(chain.text(Language::German)
                    .endsWith(u"Ausgewogenheit 1,13 (Wege nur im erreichbaren "
                              u"Teil ohne Schleifen)"));
    EXPECT_EQ(chain.toJson().value(QStringLiteral("longestWay")).toInt(), 3);

    // A count of one is said in the singular, in both languages.
    const KeyStatistics single = figuresOf("<P>#1 a ....A\n");
    EXPECT_TRUE(
        single.text(Language::German)
            .startsWith(u"1 Eintrag, 1 Alternative, 1 endet in einem Taxon (1 verschiedenes, 0 mehrfach)"));
    EXPECT_TRUE(single.text(Language::English)
                    .startsWith(u"1 entry, 1 lead, 1 ends in a taxon (1 distinct, 0 more than once)"));
}

} // namespace
} // namespace keylinker
