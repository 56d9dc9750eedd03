#include "ProfileFile.h"

#include <algorithm>
#include <optional>

#include <gtest/gtest.h>

#include <QDir>

#include "QtPrinters.h"
#include "TestDir.h"

using namespace Qt::StringLiterals;
using keylinker::ProfileFile;

namespace {

const QString groupName = u"allgemein"_s;
const QString keyName = u"browser"_s;
const QString firefoxPath = u"/usr/bin/firefox"_s;

class ProfileFileTest : public ::testing::Test
{
protected:
    QString path(const QString& relative = u"Dichotab.ini"_s) const { return dir.path(relative); }

    QByteArray bytesOf(const QString& file) const
    {
        return keylinker::test::readFile(file).value_or("<unreadable>");
    }

    void writeBytes(const QString& file, const QByteArray& bytes) const
    {
        ASSERT_TRUE(keylinker::test::writeFile(file, bytes));
    }

    keylinker::test::TestDir dir;
};

TEST_F(ProfileFileTest, MissingFileGivesDefaultAndCreatesNothing)
{
    const ProfileFile profile(path(u"keylinker/Dichotab.ini"_s));
    EXPECT_EQ(profile.ini(groupName, keyName, u"fallback"_s), u"fallback"_s);
    EXPECT_EQ(profile.ini(groupName, keyName, QString()), QString());
    EXPECT_FALSE(QDir(path(u"keylinker"_s)).exists());
}

TEST_F(ProfileFileTest, FirstWriteCreatesFolderAndFile)
{
    const ProfileFile profile(path(u"a/b/Dichotab.ini"_s));
    profile.setini(groupName, keyName, firefoxPath);
    EXPECT_EQ(bytesOf(profile.path()), QByteArray("[allgemein]\nbrowser=/usr/bin/firefox\n"));
    EXPECT_EQ(ProfileFile(profile.path()).ini(groupName, keyName, u"x"_s), firefoxPath);
}

TEST_F(ProfileFileTest, EveryWrittenValueReadsBackAndReplacesTheLastOne)
{
    const ProfileFile profile(path());
    const QString values[] = {firefoxPath,
                              u"/home/jörg/Programme/Bräuser ÄÖÜß/bin"_s,
                              u"C:\\Programme\\x\\y.exe"_s,
                              u"  blanks at both ends\t"_s,
                              u"\"in quotes\""_s,
                              u"\"\""_s,
                              u"\""_s,
                              u"a = b ; c # d [e]"_s,
                              QString(),
                              u"/opt/last/browser"_s};
    for (const QString& value : values) {
        profile.setini(groupName, keyName, value);
        EXPECT_EQ(profile.ini(groupName, keyName, u"default"_s), value);
    }
    const QList<QByteArray> lines = bytesOf(path()).split('\n');
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const QByteArray& l) { return l.startsWith("browser"); }),
              1);
}

TEST_F(ProfileFileTest, ReadsHandWrittenFiles)
{
    struct Case
    {
        const char* content;
        QString expected;
    };
    const QString fallback = u"fallback"_s;
    const Case cases[] = {
        {"[allgemein]\nbrowser=C:\\Programme\\x\\y.exe", u"C:\\Programme\\x\\y.exe"_s},
        {"[Allgemein]\r\n  BROWSER \t=  /usr/bin/firefox  \r\n", firefoxPath},
        {"[ allgemein ]\nbrowser=\"  spaced  \"\n", u"  spaced  "_s},
        {"[allgemein]\nbrowser=\"unbalanced\n", u"\"unbalanced"_s},
        {"[allgemein]\nbrowser=\n", QString()},
        {"\xEF\xBB\xBF[allgemein]\nbrowser=/with/bom\n", u"/with/bom"_s},
        {"[allgemein]\nbrowser=/first\nbrowser=/second\n[allgemein]\nbrowser=/third\n", u"/first"_s},
        {"[allgemein]\nfarbe=blau\n[allgemein]\nbrowser=/in/second/section\n", fallback},
        {"[andere]\nbrowser=/other/section\n", fallback},
        {"browser=/before/any/section\n[allgemein]\n", fallback},
        {"; [allgemein]\n[allgemein]\n;browser=/a\n# browser=/b\nbrowser /c\n", fallback},
        {"", fallback},
    };
    for (const Case& c : cases) {
        writeBytes(path(), c.content);
        EXPECT_EQ(ProfileFile(path()).ini(groupName, keyName, fallback), c.expected) << "file: " << c.content;
    }
}

TEST_F(ProfileFileTest, LongValuesReadBackCutTo2047Characters)
{
    const QString shortEnough = QString(2047, u'a');
    const QString tooLong = QString(2000, u'b') + QString(1000, u'c');
    const ProfileFile profile(path());
    profile.setini(groupName, keyName, shortEnough);
    EXPECT_EQ(profile.ini(groupName, keyName, QString()), shortEnough);
    profile.setini(groupName, keyName, tooLong);
    EXPECT_EQ(profile.ini(groupName, keyName, QString()), tooLong.left(2047));
    EXPECT_TRUE(bytesOf(path()).contains(tooLong.toUtf8())) << "the file keeps the whole value";
}

TEST_F(ProfileFileTest, WritingChangesOnlyTheOwnLine)
{
    struct Case
    {
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {"; Einstellungen\r\n[andere]\r\nx = 1\r\n\r\n[Allgemein]\r\nBrowser = /alt\r\nfarbe=blau\r\n",
         "; Einstellungen\r\n[andere]\r\nx = 1\r\n\r\n[Allgemein]\r\nBrowser = "
         "/usr/bin/firefox\r\nfarbe=blau\r\n"},
        {"[allgemein]\r\nfarbe=blau\r\n; tail\r\n\r\n[andere]\r\nx=1\r\n",
         "[allgemein]\r\nfarbe=blau\r\nbrowser=/usr/bin/firefox\r\n; tail\r\n\r\n[andere]\r\nx=1\r\n"},
        {"[allgemein]\n\n[andere]\n", "[allgemein]\nbrowser=/usr/bin/firefox\n\n[andere]\n"},
        {"[allgemein]\njunk line\n#c\nbrowser=\"/old\"   \n",
         "[allgemein]\njunk line\n#c\nbrowser=/usr/bin/firefox   \n"},
        {"[allgemein]\nbrowser=/a\nbrowser=/b\n[allgemein]\nbrowser=/c",
         "[allgemein]\nbrowser=/usr/bin/firefox\nbrowser=/b\n[allgemein]\nbrowser=/c"},
        {"[allgemein]\nfarbe=blau", "[allgemein]\nfarbe=blau\nbrowser=/usr/bin/firefox\n"},
        {"[andere]\nx=1", "[andere]\nx=1\n\n[allgemein]\nbrowser=/usr/bin/firefox\n"},
        {"[andere]\r\nx=1\r\n", "[andere]\r\nx=1\r\n\r\n[allgemein]\r\nbrowser=/usr/bin/firefox\r\n"},
    };
    for (const Case& c : cases) {
        writeBytes(path(), c.before);
        ProfileFile(path()).setini(groupName, keyName, firefoxPath);
        EXPECT_EQ(bytesOf(path()), QByteArray(c.after)) << "file before: " << c.before;
    }
}

TEST_F(ProfileFileTest, FailedOrImpossibleWritesAreSilentAndChangeNothing)
{
    // A regular file where the folder should be: the folder cannot be created, even by root.
    writeBytes(path(u"blocker"_s), "not a folder");
    const ProfileFile blocked(path(u"blocker/Dichotab.ini"_s));
    blocked.setini(groupName, keyName, firefoxPath);
    EXPECT_EQ(blocked.ini(groupName, keyName, u"fallback"_s), u"fallback"_s);
    EXPECT_EQ(bytesOf(path(u"blocker"_s)), QByteArray("not a folder"));

    // What cannot be held in one line would come back as other lines: it is not written.
    const QByteArray old = "[allgemein]\nbrowser=/old\n";
    const QString unstorable[][3] = {{groupName, keyName, u"/a\n[x]\ny=1"_s},
                                     {groupName, keyName, u"/a\r"_s},
                                     {groupName, u"brow=ser"_s, firefoxPath},
                                     {groupName, u";browser"_s, firefoxPath},
                                     {u"allgemein]x"_s, keyName, firefoxPath}};
    for (const auto& [group, key, value] : unstorable) {
        writeBytes(path(), old);
        ProfileFile(path()).setini(group, key, value);
        EXPECT_EQ(bytesOf(path()), old) << value.toStdString();
    }
}

TEST_F(ProfileFileTest, DefaultPathLiesInXdgConfigHome)
{
    const std::optional<QByteArray> saved = qEnvironmentVariableIsSet("XDG_CONFIG_HOME")
                                                ? std::optional(qgetenv("XDG_CONFIG_HOME"))
                                                : std::nullopt;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    const QString defaultPath = ProfileFile::defaultPath();
    EXPECT_EQ(ProfileFile(defaultPath).ini(groupName, keyName, u"fallback"_s), u"fallback"_s);
    if (saved)
        qputenv("XDG_CONFIG_HOME", *saved);
    else
        qunsetenv("XDG_CONFIG_HOME");

    EXPECT_EQ(defaultPath, path(u"keylinker/Dichotab.ini"_s));
    EXPECT_FALSE(QDir(path(u"keylinker"_s)).exists()) << "reading creates no folder";
}

} // namespace
