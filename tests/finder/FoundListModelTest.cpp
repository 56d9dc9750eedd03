#include "FoundListModel.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "QtPrinters.h"

using namespace Qt::StringLiterals;
using keylinker::FoundListModel;

namespace {

TEST(FinderFoundList, KeepsOrderOfAddingOneRowAtATime)
{
    FoundListModel found;
    const QAbstractItemModelTester check(&found, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy inserted(&found, &FoundListModel::rowsInserted);
    QSignalSpy reset(&found, &FoundListModel::modelReset);
    const QStringList paths{u"/k/b/z.htm"_s, u"/k/a1/a.htm"_s, u"/k/a.htm"_s};
    for (const QString& path : paths)
        ASSERT_TRUE(found.add(path));
    EXPECT_EQ(found.entries(), paths);
    EXPECT_EQ(found.entry(1), u"/k/a1/a.htm"_s);
    EXPECT_EQ(found.entry(3), QString());
    EXPECT_EQ(found.data(found.index(2)).toString(), u"/k/a.htm"_s);
    // No reset while a search adds: the view would lose its place each time.
    ASSERT_EQ(inserted.count(), 3);
    EXPECT_EQ(inserted.at(2).at(1).toInt(), 2);
    EXPECT_EQ(reset.count(), 0);

    found.clear();
    EXPECT_EQ(found.rowCount(), 0);
    EXPECT_EQ(reset.count(), 1);
}

TEST(FinderFoundList, PendingPathsAreShownAsOneBatchWithinTheCapacity)
{
    FoundListModel found(4);
    const QAbstractItemModelTester rules(&found, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy inserted(&found, &FoundListModel::rowsInserted);
    const QStringList paths{u"/k/a.htm"_s, u"/k/b.htm"_s, u"/k/c.htm"_s, u"/k/d.htm"_s};
    ASSERT_TRUE(found.add(paths.at(0)));
    for (const QString& path : paths.sliced(1))
        ASSERT_TRUE(found.addPending(path));
    EXPECT_FALSE(found.addPending(u"/k/e.htm"_s)); // full, the pending ones counted
    EXPECT_EQ(found.count(), 1);

    EXPECT_EQ(found.showPending(), 3);
    EXPECT_EQ(found.entries(), paths);
    ASSERT_EQ(inserted.count(), 2);
    EXPECT_EQ(inserted.at(1).at(1).toInt(), 1);
    EXPECT_EQ(inserted.at(1).at(2).toInt(), 3);
    EXPECT_EQ(found.showPending(), 0);
    EXPECT_EQ(inserted.count(), 2);

    found.clear();
    ASSERT_TRUE(found.addPending(paths.at(0)));
    found.clear();
    EXPECT_EQ(found.showPending(), 0);
}

TEST(FinderFoundList, FullListRefusesMore)
{
    const std::pair<int, int> cases[] = {{3, 3}, {1, 1}, {0, 0}, {-5, 0}, {100000, 5}};
    for (const auto& [capacity, kept] : cases) {
        FoundListModel found(capacity);
        int accepted = 0;
        for (int i = 0; i < 5; ++i)
            accepted += found.add(u"/k/%1.htm"_s.arg(i)) ? 1 : 0;
        EXPECT_EQ(accepted, kept) << capacity;
        EXPECT_EQ(found.count(), kept);
        EXPECT_EQ(found.entry(kept - 1), kept > 0 ? u"/k/%1.htm"_s.arg(kept - 1) : QString());
        found.clear();
        EXPECT_EQ(found.add(u"/k/again.htm"_s), kept > 0);
    }
}

TEST(FinderFoundList, HoldsMaximumNumberOfEntries)
{
    FoundListModel found;
    ASSERT_EQ(FoundListModel::maxEntries, 32767);
    for (int i = 0; i < FoundListModel::maxEntries; ++i)
        ASSERT_TRUE(found.add(u"/k/x.htm"_s));
    EXPECT_FALSE(found.add(u"/k/one-too-many.htm"_s));
    EXPECT_EQ(found.count(), FoundListModel::maxEntries);
}

} // namespace
