#include "TestSupport.h"
#include "shared/Module1.h"
#include "shared/TreeBuilder.h"
#include "store/DataSource.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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
        m_datafa.setRecordSource(Module1::kMediumQuery, {Module1::mediumPattern(label)});
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
};

QTEST_GUILESS_MAIN(TestTreeBuilder)
#include "test_treebuilder.moc"
