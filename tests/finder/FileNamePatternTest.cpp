#include "FileNamePattern.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "QtPrinters.h"

using namespace Qt::StringLiterals;
using keylinker::FileNamePattern;

namespace {

struct MatchCase
{
    const char* what;
    QString pattern;
    QStringList matching;
    QStringList notMatching;
};

void PrintTo(const MatchCase& c, std::ostream* os)
{
    *os << c.what << ": \"" << c.pattern.toStdString() << '"';
}

class FinderPattern : public ::testing::TestWithParam<MatchCase>
{
};

TEST_P(FinderPattern, Matches)
{
    const FileNamePattern pattern(GetParam().pattern);
    EXPECT_TRUE(pattern.isValid());
    for (const QString& name : GetParam().matching)
        EXPECT_TRUE(pattern.matches(name)) << name.toStdString();
    for (const QString& name : GetParam().notMatching)
        EXPECT_FALSE(pattern.matches(name)) << name.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Table, FinderPattern,
    ::testing::Values(
        MatchCase{"key files",
                  u"*.htm;*.html;*.htm_bak;*.html_bak"_s,
                  {u"key.htm"_s, u"KEY.HTM"_s, u"key.html"_s, u"key.htm_bak"_s, u"Key.HTML_Bak"_s, u".htm"_s},
                  {u"key.htm_bak3"_s, u"key.txt"_s, u"key.htmx"_s, u"htm"_s}},
        MatchCase{
            "one character", u"key?.htm"_s, {u"key1.htm"_s, u"KEYs.htm"_s}, {u"key.htm"_s, u"key12.htm"_s}},
        MatchCase{"one code point", u"a?c"_s, {u"a\U0001F33Fc"_s, u"abc"_s}, {u"ac"_s, u"abbc"_s}},
        MatchCase{"star in the middle", u"key*.htm"_s, {u"key.htm"_s, u"key_moths.htm"_s}, {u"keys.html"_s}},
        MatchCase{"stars at both ends", u"*moth*"_s, {u"Big Moths.htm"_s, u"moth"_s}, {u"beetles.htm"_s}},
        MatchCase{"backtracking", u"a*b*c"_s, {u"abc"_s, u"aXbYc"_s, u"abcbc"_s}, {u"abcb"_s, u"acb"_s}},
        MatchCase{"backtracking at the end", u"*aab"_s, {u"aaaab"_s, u"aab"_s}, {u"aaba"_s, u"ab"_s}},
        MatchCase{"star then one", u"*?b"_s, {u"ab"_s, u"bb"_s}, {u"b"_s}},
        MatchCase{"empty parts", u";;*.txt;;"_s, {u"notes.txt"_s}, {u"key.htm"_s}},
        MatchCase{"empty pattern", u""_s, {u"anything.at.all"_s, u"README"_s}, {}},
        MatchCase{"only separators", u";;;"_s, {u"README"_s}, {}},
        MatchCase{"umlauts", u"Ä*"_s, {u"äpfel.htm"_s, u"Äpfel.htm"_s}, {u"Apfel.htm"_s}},
        MatchCase{"Greek", u"*σ.htm"_s, {u"ΛΟΓΟΣ.htm"_s}, {u"ΛΟΓΟ.htm"_s}},
        MatchCase{"star dot star", u"*.*"_s, {u"read.me"_s, u"a."_s}, {u"README"_s}},
        MatchCase{"plain name", u"key.htm"_s, {u"KEY.HTM"_s}, {u"old key.htm"_s, u"key.html"_s}}));

TEST(FinderPatternText, RefusesWhatNoFileNameCanHold)
{
    // A refused pattern lets nothing through, not even what its other parts would.
    const struct
    {
        QString text;
        bool valid;
        bool matchesKeyFile;
    } cases[] = {
        {u"*.htm"_s, true, true},
        {u""_s, true, true},
        {u"keys/*.htm"_s, false, false},
        {u"*.htm;/"_s, false, false},
        {u"*.htm;"_s + QChar(u'\0'), false, false},
        {u"\\*.htm"_s, true, false},
    };
    for (const auto& c : cases) {
        const FileNamePattern pattern(c.text);
        EXPECT_EQ(pattern.isValid(), c.valid) << c.text.toStdString();
        EXPECT_EQ(pattern.text(), c.text);
        EXPECT_EQ(pattern.matches(u"x.htm"), c.matchesKeyFile) << c.text.toStdString();
    }
    EXPECT_TRUE(FileNamePattern().matches(u"whatever"));
}

} // namespace
