#include "queries/PatternHistory.h"

#include <QtTest>

using queries::PatternHistory;

class TestPatternHistory : public QObject
{
    Q_OBJECT

    static PatternHistory::Slots numbered()
    {
        PatternHistory::Slots s;
        for (int i = 0; i < PatternHistory::kSlots; ++i)
            s[size_t(i)] = u"p%1*"_qs.arg(i);
        return s;
    }

private Q_SLOTS:
    void loadingTrimsTheSlots()
    {
        PatternHistory::Slots s{"  *.exe ", QString(), "doom*"};
        const PatternHistory h(s, 50);
        QCOMPARE(h.entries().size(), 10);
        QCOMPARE(h.entries().mid(0, 3), QStringList({"*.exe", QString(), "doom*"}));
        QCOMPARE(s[0], "*.exe");
    }

    void rememberingPatterns_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("top");
        QTest::newRow("new goes on top")
            << QStringList{u"a*"_qs, u"b*"_qs} << QStringList{u"b*"_qs, u"a*"_qs, u"p0*"_qs};
        QTest::newRow("known keeps its place")
            << QStringList{u"p3*"_qs} << QStringList{u"p0*"_qs, u"p1*"_qs, u"p2*"_qs};
        QTest::newRow("star never")
            << QStringList{u"*"_qs} << QStringList{u"p0*"_qs, u"p1*"_qs, u"p2*"_qs};
        QTest::newRow("empty never")
            << QStringList{QString()} << QStringList{u"p0*"_qs, u"p1*"_qs, u"p2*"_qs};
        QTest::newRow("letter case counts")
            << QStringList{u"P3*"_qs} << QStringList{u"P3*"_qs, u"p0*"_qs, u"p1*"_qs};
        // Only the first ten entries count: p9* fell to the eleventh place.
        QTest::newRow("beyond ten")
            << QStringList{u"x*"_qs, u"p9*"_qs} << QStringList{u"p9*"_qs, u"x*"_qs, u"p0*"_qs};
    }
    void rememberingPatterns()
    {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, top);
        PatternHistory::Slots s = numbered();
        PatternHistory h(s, 50);
        for (const QString& t : typed)
            h.remember(t);
        QCOMPARE(h.entries().mid(0, 3), top);
        h.store(s);
        QCOMPARE(s[0], top[0]);
        QCOMPARE(s[9], h.entries().at(9)); // the eleventh falls off
    }

    void storingCutsOnACharacterBoundary()
    {
        const QString long49 = QString(49, u'a') + u"őx"_qs; // ő takes two bytes
        PatternHistory::Slots s;
        PatternHistory h(s, 50);
        h.remember(long49);
        h.remember(u"ő*"_qs);
        h.store(s);
        QCOMPARE(s[1], QString(49, u'a'));
        QCOMPARE(s[0], u"ő*"_qs);
        QCOMPARE(queries::cutToBytes(u"😀😀"_qs, 7), u"😀"_qs);
    }
};

QTEST_GUILESS_MAIN(TestPatternHistory)
#include "test_patternhistory.moc"
