#include "KeyRenumber.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QByteArray>

#include "KeyReader.h"
#include "KeyRewrite.h"

namespace keylinker {
namespace {

QByteArray renumbered(const QByteArray& text)
{
    const RenumberResult result = KeyRenumber::renumber(text);
    EXPECT_TRUE(result.renumbered) << text.toStdString();
    return result.text;
}

TEST(KeyRenumber, NumbersFollowFileOrderWithLabelsAndNothingElse)
{
    const QByteArray key = "<P>Key to 12 beetles, see ....9 below</P>\n"
                           "<P>#7 Wings red, 7 spots .....12<BR>\n"
                           "7* Wings blue ....3</P>\n"
                           "<P>#12 Head 12 mm ....Species A<BR> 12a Head small ....40</P>\n"
                           "<LI>#3 x ....Species B\n<li>3. y ....Species C\n3b z 3 ....7\n";
    const QByteArray expected = "<P>Key to 12 beetles, see ....9 below</P>\n"
                                "<P>#1 Wings red, 7 spots .....2<BR>\n"
                                "1* Wings blue ....3</P>\n"
                                "<P>#2 Head 12 mm ....Species A<BR> 2a Head small ....40</P>\n"
                                "<LI>#3 x ....Species B\n<li>3. y ....Species C\n3b z 3 ....1\n";
    const RenumberResult result = KeyRenumber::renumber(key);
    ASSERT_TRUE(result.renumbered);
    EXPECT_EQ(result.text, expected);
    // References to numbers that no entry carries stay and are named.
    ASSERT_EQ(result.findings.size(), 2);
    EXPECT_EQ(result.findings[0].kind, KeyFinding::Kind::MissingEntry);
    EXPECT_EQ(result.findings[1].numbers, QList<QByteArray>{"40"});

    for (const QByteArray& refused : {QByteArray("<P>#1 a ....2 b ....2\n<P>#2 c ....X d ....Y\n<P>#2 e\n"),
                                      QByteArray("<P>#1 a ....12, b ....X\n<P>#12, c ....X d ....Y\n")}) {
        const RenumberResult none = KeyRenumber::renumber(refused);
        EXPECT_FALSE(none.renumbered);
        EXPECT_TRUE(none.text.isEmpty());
        ASSERT_FALSE(none.findings.isEmpty());
        EXPECT_TRUE(none.findings.front().isError());
    }
}

/// A key whose entries carry shuffled numbers of one to three digits, each with two leads to a later
/// entry or a taxon, in either line end. Every entry's text runs longer than 30 characters before its
/// first dot leader, so that the fixed 30-character windows with which processing decides some back
/// links never reach from one mark to the next, whatever the width of the numbers.
QByteArray generatedKey(std::mt19937& random)
{
    const int entries = std::uniform_int_distribution<int>(2, 60)(random);
    std::vector<int> numbers(999);
    std::iota(numbers.begin(), numbers.end(), 1);
    std::shuffle(numbers.begin(), numbers.end(), random);
    const QByteArray end = random() % 2 ? "\r\n" : "\n";
    QByteArray key = "<HTML><BODY>" + end;
    int nextTarget = 1;
    for (int i = 0; i < entries; ++i) {
        const QByteArray number = QByteArray::number(numbers[i]);
        key += "<P>#" + number;
        for (const char* label : {"", "*"}) {
            if (*label)
                key += "<BR>" + end + number + label;
            key += " The elytra are shining and covered with fine hairs ....";
            const bool toEntry = nextTarget < entries && random() % 3 != 0;
            key += toEntry ? QByteArray::number(numbers[nextTarget++]) : "Carabus " + QByteArray::number(i);
        }
        key += "</P>" + end;
    }
    return key + "</BODY></HTML>" + end;
}

/// Which entry's lead leads where, by entry position and lead, whatever the numbers.
std::vector<std::string> shape(const QByteArray& text)
{
    const KeyStructure key = KeyReader::read(text);
    std::map<QByteArray, qsizetype> position;
    for (qsizetype i = 0; i < key.entries.size(); ++i)
        position[key.entries[i].number] = i;
    std::vector<std::string> lines;
    for (const KeyEntry& entry : key.entries) {
        std::string line;
        for (const KeyLead& lead : entry.leads)
            line += lead.target == KeyLead::Target::Entry ? " @" + std::to_string(position.at(lead.name))
                                                          : " " + lead.name.toStdString();
        lines.push_back(line);
    }
    return lines;
}

TEST(KeyRenumber, GeneratedKeysKeepTheirShapeAndCommuteWithProcessing)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 200; ++round) {
        const QByteArray key = generatedKey(random);
        const QByteArray once = renumbered(key);
        EXPECT_EQ(renumbered(once), once);
        EXPECT_EQ(shape(once), shape(key));
        const QByteArray processed = verknuepfen(key).text;
        EXPECT_EQ(renumbered(processed), verknuepfen(once).text) << key.toStdString();
    }
}

} // namespace
} // namespace keylinker
