#include "TestSupport.h"
#include "shared/Module1.h"
#include "shared/TreeBuilder.h"
#include "store/DataSource.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Records the nodes as the tree widget would hold them.
struct Nodes : TreeNodes
{
    QStringList lines; // "index parentKey|key|text|image"
    QHash<QString, int> keys;
    QHash<QString, QStringList> stored;

    int count() const override { return int(lines.size()); }
    int add(const QString& parentKey, const QString& key, const QString& text,
            const QString& image) override
    {
        if (keys.contains(key) || (!parentKey.isEmpty() && !keys.contains(parentKey)))
            return 0;
        lines << QStringList{parentKey, key, text, image}.join(QLatin1Char('|'));
        keys.insert(key, count());
        return count();
    }
    void addStoredPath(const QString& key, const QString& path) override { stored[key] << path; }
    int load(store::DataSource& ds, const QString& key, const QString* skip = nullptr)
    {
        return Module1::loadFolderFiles(*this, ds, key, stored.value(key), skip);
    }
};

} // namespace

class TestTreeBuilder : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_catalog;
    store::DataSource m_datafa;

    void medium(const QString& label)
    {
        const Module1::MediumQuery q = Module1::mediumQuery(m_datafa.database(), label);
        QVERIFY(q.sql != Module1::kMediumQuery);
        m_datafa.setRecordSource(q.sql, q.params);
        m_datafa.refresh();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_catalog = TestSupport::freshCatalog(m_dir.filePath("k.mdb"));
        auto db = store::Database::open(m_catalog);
        // Out of order, the root folder itself, a label in other letter case,
        // a label that only starts the same, a folder with an apostrophe.
        for (const char* ut : {"-CD_1- E:\\GAMES\\DOOM", "-CD_10- E:\\X", "-cd_1- F:\\GAMES\\QUAKE",
                               "-CD_1- E:\\", "-CD_1- E:\\Tom's", "-CD_1- E:\\APPS"})
            db.exec("INSERT INTO ut (ut) VALUES (?1)", {QString::fromUtf8(ut)});
        for (const auto& [folder, name] : {std::pair{4, "ROOT.TXT"},
                                           {1, "DOOM.EXE"},
                                           {1, "DOOM.WAD"},
                                           {5, "Tom's.txt"},
                                           {3, "QUAKE.EXE"}})
            db.exec("INSERT INTO prgnev (nev, utid) VALUES (?1, ?2)",
                    {QString::fromUtf8(name), folder});
        m_datafa.setDatabaseName(m_catalog);
    }

    // The tree of a medium, and of a label no folder carries.
    void mediumTree()
    {
        medium("CD_1");
        Nodes t;
        QList<int> steps;
        Module1::faepit(t, m_datafa, "CD_1", {[](int) {}, [&steps](int v) { steps << v; }});
        QCOMPARE(t.lines, (QStringList{
                              "|-CD_1- E:\\|CD_1|cd",
                              "-CD_1- E:\\|-CD_1- E:\\APPS|APPS|close",
                              "-CD_1- E:\\|-CD_1- E:\\GAMES|GAMES|close",
                              "-CD_1- E:\\GAMES|-CD_1- E:\\GAMES\\DOOM|DOOM|close",
                              "-CD_1- E:\\|-CD_1- E:\\Tom's|Tom's|close",
                              "-CD_1- E:\\GAMES|-CD_1- E:\\GAMES\\QUAKE|QUAKE|close",
                          }));
        QCOMPARE(steps, (QList<int>{0, 4}));

        medium("NINCS");
        Nodes none;
        QVERIFY_THROWS_EXCEPTION(platform::Error, Module1::faepit(none, m_datafa, "NINCS"));
        QCOMPARE(none.count(), 0);
    }

    void markedFile()
    {
        medium("CD_1");
        Nodes t;
        const int marked =
            Module1::faepit_jelol(t, m_datafa, "CD_1", "-CD_1- E:\\GAMES\\DOOM", "DOOM.WAD");
        QCOMPARE(marked, 5);
        QCOMPARE(t.lines.at(4), "-CD_1- E:\\GAMES\\DOOM| 4a |DOOM.WAD|jelolt");

        // Expanding the folder leaves the marked name out; file keys keep growing.
        const QString skip = "DOOM.WAD";
        QCOMPARE(t.load(m_datafa, "-CD_1- E:\\GAMES\\DOOM", &skip), 1);
        QCOMPARE(t.lines.last(), "-CD_1- E:\\GAMES\\DOOM| 8a |DOOM.EXE|elem");

        // The root folder's own files, and a folder whose name holds an apostrophe.
        medium("CD_1");
        Nodes v;
        QCOMPARE(Module1::faepit_jelol(v, m_datafa, "CD_1", "-CD_1- E:\\", "ROOT.TXT"), 2);
        QCOMPARE(v.load(m_datafa, "-CD_1- E:\\Tom's"), 1);
        QCOMPARE(v.lines.last(), "-CD_1- E:\\Tom's| 8a |Tom's.txt|elem");
        // Read again from another drive letter, with the label in other case:
        // under the first row's root, its files still found.
        QCOMPARE(v.load(m_datafa, "-CD_1- E:\\GAMES\\QUAKE"), 1);
        QCOMPARE(v.lines.last(), "-CD_1- E:\\GAMES\\QUAKE| 9a |QUAKE.EXE|elem");
        // A folder not on the medium marks nothing.
        medium("CD_1");
        Nodes w;
        QCOMPARE(Module1::faepit_jelol(w, m_datafa, "CD_1", "-CD_1- E:\\NINCS", "X"), 0);
    }

    // The folders read from index ranges are those matched one by one, in
    // the same order, whatever letter case the label and the rows are in.
    void rangedMediumRowsMatchEveryFolder()
    {
        const QString path = TestSupport::freshCatalog(m_dir.filePath("spellings.mdb"));
        auto db = store::Database::open(path);
        QStringList labels = {u"NAGY"_s, u"nagy"_s, u"Nagy"_s, u"NAGYOBB"_s, u"NAGY-"_s,
                              u"KÉK"_s, u"kék"_s, u"Kék"_s, u"\u212A"_s, u"K"_s, u"k"_s,
                              u"\u01C4"_s, u"\u01C5"_s, u"\u01C6"_s, u"A_B%'C"_s,
                              u"\U00010400"_s, u"\U00010428"_s, u"ss"_s, u"\u00DF"_s};
        // Twenty spellings of one label: more than the ranges are built for.
        for (int i = 0; i < 20; ++i) {
            QString many = u"abcdefgh"_s;
            for (int b = 0; b < 8; ++b)
                if ((i * 37 + 11) >> b & 1)
                    many[b] = many[b].toUpper();
            labels << many;
        }
        for (const QString& label : std::as_const(labels))
            for (const QString& rest : {u"E:\\"_s, u"E:\\B"_s, u"F:\\a\\b"_s})
                db.exec("INSERT OR IGNORE INTO ut (ut) VALUES (?1)",
                        {u"-"_s + label + u"- "_s + rest});
        // Near misses: no blank after the label, and a bare prefix.
        for (const QString& ut : {u"-NAGY-!x"_s, u"-NAGY-"_s, u"-NAGY- "_s, u"-NAGYx E:\\"_s})
            db.exec("INSERT INTO ut (ut) VALUES (?1)", {ut});

        const auto rows = [&db](const QString& sql, const QVariantList& params) {
            QStringList out;
            store::Statement st = db.prepare(sql);
            st.bindAll(params);
            while (st.step())
                out << st.value(0).toString();
            return out;
        };
        struct Case
        {
            QString label;
            bool ranged;
        };
        for (const Case& c : {Case{u"NAGY"_s, true}, Case{u"nAgY"_s, true}, Case{u"kék"_s, true},
                              Case{u"KÉK"_s, true}, Case{u"k"_s, true}, Case{u"\u01C5"_s, true},
                              Case{u"A_B%'C"_s, true}, Case{u"a_b%'c"_s, true},
                              Case{u"\U00010428"_s, true}, Case{u"SS"_s, true},
                              Case{u"\u1E9E"_s, true}, Case{u"NINCS"_s, true}, Case{QString(), true},
                              Case{u"ABCDEFGH"_s, false}, Case{u"NA?Y"_s, false},
                              Case{u"N*"_s, false}}) {
            const Module1::MediumQuery q = Module1::mediumQuery(db, c.label);
            const QStringList expected =
                rows(Module1::kMediumQuery, {Module1::mediumPattern(c.label)});
            QCOMPARE(rows(q.sql, q.params), expected);
            QCOMPARE(q.sql != Module1::kMediumQuery, c.ranged);
            // Seeks only, never a pass over every folder.
            store::Statement plan = db.prepare(u"EXPLAIN QUERY PLAN "_s + q.sql);
            plan.bindAll(q.params);
            while (c.ranged && plan.step())
                QVERIFY2(!plan.value(3).toString().contains(u"SCAN"_s),
                         qPrintable(plan.value(3).toString()));
        }
        QCOMPARE(rows(Module1::kMediumQuery, {Module1::mediumPattern(u"nagy"_s)}).size(), 10);
        QCOMPARE(rows(Module1::kMediumQuery, {Module1::mediumPattern(u"k"_s)}).size(), 9);

        // Without the path index every folder is matched, as before.
        db.exec("PRAGMA foreign_keys = OFF");
        db.exec("DROP VIEW alapfile");
        db.exec("CREATE TABLE ut2 AS SELECT * FROM ut");
        db.exec("DROP TABLE ut");
        db.exec("ALTER TABLE ut2 RENAME TO ut");
        QCOMPARE(Module1::mediumQuery(db, u"NAGY"_s).sql, Module1::kMediumQuery);
    }
};

QTEST_GUILESS_MAIN(TestTreeBuilder)
#include "test_treebuilder.moc"
