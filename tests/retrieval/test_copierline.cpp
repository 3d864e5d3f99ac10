#include "retrieval/CopierCommand.h"
#include "retrieval/RowPath.h"

#include <QTest>

using namespace retrieval;

class TestCopierLine : public QObject
{
    Q_OBJECT

private slots:
    void rowPaths_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("medium"); // empty: not a row path
        QTest::addColumn<QString>("folderPath");
        QTest::addColumn<QString>("folderName");
        // clang-format off
        QTest::newRow("folder") << "-CD_1- E:\\GAMES\\DOOM" << "-CD_1- " << "\\GAMES\\DOOM" << "DOOM";
        QTest::newRow("root") << "-CD_1- E:\\" << "-CD_1- " << "\\" << "";
        QTest::newRow("lower-case drive") << "-A- c:\\X" << "-A- " << "\\X" << "X";
        QTest::newRow("blank in the label stays in it")
            << "-Mentés 2- F:\\Új mappa" << "-Mentés 2- " << "\\Új mappa" << "Új mappa";
        QTest::newRow("hyphen and blank inside names")
            << "-CD-1- E:\\a- b\\c- d" << "-CD-1- " << "\\a- b\\c- d" << "c- d";
        QTest::newRow("no drive path") << "-CD_1-" << "" << "" << "";
        QTest::newRow("no label") << "E:\\GAMES" << "" << "" << "";
        // clang-format on
    }
    void rowPaths()
    {
        QFETCH(QString, stored);
        QFETCH(QString, medium);
        const auto p = parseRowPath(stored);
        QCOMPARE(p.has_value(), !medium.isEmpty());
        if (!p)
            return;
        QCOMPARE(p->medium, medium);
        QTEST(p->folderPath, "folderPath");
        QTEST(p->folderName, "folderName");
    }

    // The line as the copier is started with it, and its parts split back.
    void commandLines_data()
    {
        QTest::addColumn<QString>("programFolder");
        QTest::addColumn<QString>("folderPath");
        QTest::addColumn<QString>("targetFolder");
        QTest::addColumn<QString>("folderName");
        QTest::addColumn<QString>("line");      // without the switches
        QTest::addColumn<QStringList>("parts"); // program, source, target
        // clang-format off
        QTest::newRow("folder")
            << "C:\\PROG" << "\\GAMES\\DOOM" << "C:\\MENTES\\" << "DOOM"
            << R"(C:\PROG\athozo "D:\GAMES\DOOM\*.*" "C:\MENTES\DOOM\*.*")"
            << QStringList{"C:\\PROG\\athozo", "D:\\GAMES\\DOOM\\*.*", "C:\\MENTES\\DOOM\\*.*"};
        QTest::newRow("medium root")
            << "C:\\PROG\\" << "\\" << "C:\\MENTES\\" << ""
            << R"(C:\PROG\athozo "D:\*.*" "C:\MENTES\*.*")"
            << QStringList{"C:\\PROG\\athozo", "D:\\*.*", "C:\\MENTES\\*.*"};
        QTest::newRow("program folder with blanks, names with blanks")
            << "C:\\opt\\Polcozo 1.1" << "\\Régi játékok\\Doom II" << "C:\\Új mentés\\" << "Doom II"
            << R"("C:\opt\Polcozo 1.1\athozo" "D:\Régi játékok\Doom II\*.*" "C:\Új mentés\Doom II\*.*")"
            << QStringList{"C:\\opt\\Polcozo 1.1\\athozo", "D:\\Régi játékok\\Doom II\\*.*",
                           "C:\\Új mentés\\Doom II\\*.*"};
        QTest::newRow("quote in a name travels as its escape")
            << "C:\\PROG" << "\\A \"B\"" << "C:\\M\\" << "A \"B\""
            << R"(C:\PROG\athozo "D:\A /22B/22\*.*" "C:\M\A /22B/22\*.*")"
            << QStringList{"C:\\PROG\\athozo", "D:\\A /22B/22\\*.*", "C:\\M\\A /22B/22\\*.*"};
        // clang-format on
    }
    void commandLines()
    {
        QFETCH(QString, programFolder);
        QFETCH(QString, folderPath);
        QFETCH(QString, targetFolder);
        QFETCH(QString, folderName);
        QFETCH(QString, line);
        QFETCH(QStringList, parts);
        const QStringList switches{"/S", "/C", "/F", "/H", "/R", "/Y"};
        const QString got = copierCommandLine(programFolder, QStringLiteral("D:"), folderPath,
                                              targetFolder, folderName);
        QCOMPARE(got, line + u' ' + switches.join(u' '));
        const CommandParts split = splitCommandLine(got);
        QCOMPARE(QStringList{split.program} + split.arguments, parts + switches);
    }
};

QTEST_GUILESS_MAIN(TestCopierLine)
#include "test_copierline.moc"
