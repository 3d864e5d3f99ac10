#include "TestSupport.h"
#include "store/DataSource.h"
#include "widgets/DataGrid.h"
#include "widgets/ResultModel.h"

#include <QFile>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A shown grid over a view of 'files' files named F0.EXE, F1.EXE, ...
struct Grid
{
    QTemporaryDir dir;
    store::DataSource source;
    DataGrid grid{source};

    explicit Grid(int files)
    {
        const QString path = TestSupport::freshCatalog(dir.filePath("grid.mdb"));
        store::Database db = store::Database::open(path);
        db.exec("INSERT INTO ut (ut) VALUES ('-CD_1- E:\\GAMES')");
        for (int i = 0; i < files; ++i)
            db.exec("INSERT INTO prgnev (nev, utid, hossz) VALUES (?1, 1, ?2)",
                    {QStringLiteral("F%1.EXE").arg(i), i});
        source.setDatabaseName(path);
        source.setRecordSource("SELECT * FROM alapfile");
        source.refresh();
        grid.show();
    }
};

} // namespace

class TestDataGrid : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Retrieval visits the selection as the user marked it: it makes element 0
    // current, reads the row and removes the element, until none is left.
    void selectionIsConsumedInMarkingOrder()
    {
        Grid g(8);
        DataGrid& grid = g.grid;

        grid.selectRows(5, 5);
        grid.selectRows(1, 3); // a range: removing one of its rows keeps the others
        grid.selectRows(0, 0);
        QCOMPARE(grid.SelBookmarks(), (QList<qint64>{5, 1, 2, 3, 0}));

        QSignalSpy changes(&grid, &DataGrid::SelChange);
        QStringList visited;
        while (grid.selCount() > 0) {
            const qint64 mark = grid.SelBookmarks().first();
            grid.source().setAbsolutePosition(mark);
            QCOMPARE(grid.row(), mark);
            visited << grid.model()->cellText(grid.row(), 0);
            grid.removeBookmark(0);
        }
        QCOMPARE(visited, (QStringList{"F5.EXE", "F1.EXE", "F2.EXE", "F3.EXE", "F0.EXE"}));
        QCOMPARE(changes.count(), 5);
        QVERIFY(!grid.view()->selectionModel()->hasSelection());

        // An index outside the selection changes nothing.
        grid.selectRows(4, 4);
        grid.removeBookmark(1);
        grid.removeBookmark(-1);
        QCOMPARE(grid.SelBookmarks(), QList<qint64>{4});
    }

    // Repeated folders leave the selection at once: the rows that stay keep
    // their marks and their order, also inside a marked range.
    void severalBookmarksGoInOnePass()
    {
        Grid g(12);
        DataGrid& grid = g.grid;
        grid.selectRows(9, 9);
        grid.selectRows(0, 7);
        grid.selectRows(11, 11);
        QCOMPARE(grid.SelBookmarks(), (QList<qint64>{9, 0, 1, 2, 3, 4, 5, 6, 7, 11}));

        QSignalSpy changes(&grid, &DataGrid::SelChange);
        // Rows 0, 2, 3, 4 and 7 (neighbours among them), given out of order, and one outside.
        grid.removeBookmarks({8, 1, 3, 4, 5, 42});
        QCOMPARE(changes.count(), 1);
        QCOMPARE(grid.SelBookmarks(), (QList<qint64>{9, 1, 5, 6, 11}));
        QItemSelectionModel* marks = grid.view()->selectionModel();
        QCOMPARE(marks->selectedRows().size(), 5);
        for (const qint64 row : {1, 5, 6, 9, 11})
            QVERIFY(marks->isRowSelected(int(row), {}));
    }
};

QTEST_MAIN(TestDataGrid)
#include "test_datagrid.moc"
