#include "FileListModel.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "QtPrinters.h"
#include "TestDir.h"

using namespace Qt::StringLiterals;
using keylinker::FileListModel;
using keylinker::test::TestDir;

namespace {

const QString keyFiles = u"*.htm;*.html;*.htm_bak;*.html_bak"_s;

class FinderFileList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(files.setPattern(keyFiles));
        ASSERT_TRUE(files.setPath(dir.path(u"moths"_s)));
    }

    TestDir dir{u"moths/noctuids.htm"_s,       u"moths/Arctiids.HTML"_s,       u"moths/arctiids.html"_s,
                u"moths/geometrids.htm_bak"_s, u"moths/geometrids.htm_bak3"_s, u"moths/notes.txt"_s,
                u"moths/.draft.htm"_s,         u"moths/folder.htm/"_s,         u"beetles/carabids.htm"_s,
                u"beetles/readme.txt"_s};
    FileListModel files;
    QAbstractItemModelTester rules{&files, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(FinderFileList, FollowsPathAndPattern)
{
    const QAbstractItemModelTester check(&files, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const struct
    {
        QString folder;
        QString pattern;
        QStringList entries;
    } steps[] = {
        {u"moths"_s,
         keyFiles,
         {u"Arctiids.HTML"_s, u"arctiids.html"_s, u"geometrids.htm_bak"_s, u"noctuids.htm"_s}},
        {u"beetles"_s, keyFiles, {u"carabids.htm"_s}},
        {u"beetles"_s, u"*.txt;*.htm"_s, {u"carabids.htm"_s, u"readme.txt"_s}},
        {u"moths"_s, u"*.txt;*.htm"_s, {u"noctuids.htm"_s, u"notes.txt"_s}},
        {u"moths"_s, u"*.htm_bak?"_s, {u"geometrids.htm_bak3"_s}},
        {u"moths"_s,
         QString(),
         {u"Arctiids.HTML"_s, u"arctiids.html"_s, u"geometrids.htm_bak"_s, u"geometrids.htm_bak3"_s,
          u"noctuids.htm"_s, u"notes.txt"_s}},
    };
    for (const auto& step : steps) {
        ASSERT_TRUE(files.setPath(dir.path(step.folder)));
        ASSERT_TRUE(files.setPattern(step.pattern));
        EXPECT_EQ(files.path(), dir.path(step.folder));
        EXPECT_EQ(files.pattern().text(), step.pattern);
        EXPECT_EQ(files.entries(), step.entries) << step.pattern.toStdString();
        EXPECT_EQ(files.rowCount(), step.entries.size());
    }
    EXPECT_EQ(files.entry(5), u"notes.txt"_s);
    EXPECT_EQ(files.entry(6), QString());
    EXPECT_EQ(files.data(files.index(1)).toString(), u"arctiids.html"_s);
    EXPECT_EQ(files.data(files.index(4), FileListModel::PathRole).toString(),
              dir.path(u"moths/noctuids.htm"_s));
}

TEST_F(FinderFileList, RefusedPatternAndUnreadableFolderKeepWhatWasThere)
{
    const QStringList before = files.entries();
    QSignalSpy resetSpy(&files, &FileListModel::modelReset);
    for (const QString& text : {u"*/*.htm"_s, u"*.htm"_s + QChar(u'\0')})
        EXPECT_FALSE(files.setPattern(text));
    for (const QString& target : {dir.path(u"missing"_s), dir.path(u"moths/notes.txt"_s), QString()})
        EXPECT_FALSE(files.setPath(target)) << target.toStdString();
    EXPECT_EQ(files.pattern().text(), keyFiles);
    EXPECT_EQ(files.path(), dir.path(u"moths"_s));
    EXPECT_EQ(files.entries(), before);
    EXPECT_EQ(resetSpy.count(), 0);

    // The kept pattern still filters what comes later.
    ASSERT_TRUE(files.setPath(dir.path(u"beetles"_s)));
    EXPECT_EQ(files.entries(), QStringList{u"carabids.htm"_s});
}

TEST_F(FinderFileList, RefreshSeesChangesAndLinks)
{
    ASSERT_TRUE(dir.add({u"moths/zygaenids.htm"_s}));
    ASSERT_TRUE(dir.link(u"beetles/carabids.htm"_s, u"moths/beetle-link.htm"_s));
    ASSERT_TRUE(dir.link(u"beetles"_s, u"moths/beetles.htm"_s));
    ASSERT_TRUE(dir.link(u"nothing.htm"_s, u"moths/broken.htm"_s));
    ASSERT_TRUE(dir.remove(u"moths/noctuids.htm"_s));
    EXPECT_EQ(files.count(), 4);

    EXPECT_TRUE(files.refresh());
    EXPECT_EQ(files.entries(), (QStringList{u"Arctiids.HTML"_s, u"arctiids.html"_s, u"beetle-link.htm"_s,
                                            u"geometrids.htm_bak"_s, u"zygaenids.htm"_s}));

    // A listed folder that has gone leaves nothing to process.
    ASSERT_TRUE(dir.remove(u"moths"_s));
    EXPECT_FALSE(files.refresh());
    EXPECT_EQ(files.count(), 0);
    EXPECT_TRUE(files.setPattern(u"*.txt"_s));
    EXPECT_EQ(files.pattern().text(), u"*.txt"_s);
}

} // namespace
