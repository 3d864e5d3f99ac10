#include "retrieval/CopierCommand.h"
#include "retrieval/RowPath.h"

#include <QTest>

using namespace retrieval;

class TestCopierLine : public QObject
{
    Q_OBJECT

private slots:
    void rowPaths_data();
    void rowPaths();
    void commandLines_data();
    void commandLines();
};

// clang-format off
void TestCopierLine::rowPaths_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("medium");
    QTest::addColumn<QString>("folderPath");
    QTest::addColumn<QString>("folderName");

    QTest::newRow("folder") << "-CD_1- E:\\GAMES\\DOOM" << true << "-CD_1- " << "\\GAMES\\DOOM"
                            << "DOOM";
    QTest::newRow("root") << "-CD_1- E:\\" << true << "-CD_1- " << "\\" << "";
    QTest::newRow("top folder") << "-A- c:\\X" << true << "-A- " << "\\X" << "X";
    QTest::newRow("blank in the label stays in it")
        << "-Mentés 2- F:\\Új mappa" << true << "-Mentés 2- " << "\\Új mappa" << "Új mappa";
    QTest::newRow("hyphen and blank inside names")
        << "-CD-1- E:\\a- b\\c- d" << true << "-CD-1- " << "\\a- b\\c- d" << "c- d";
    QTest::newRow("escaped name") << "-CD_1- E:\\caf/E9\\x/5Cy" << true << "-CD_1- "
                                  << "\\caf/E9\\x/5Cy" << "x/5Cy";
    QTest::newRow("no drive path") << "-CD_1-" << false << "" << "" << "";
    QTest::newRow("no label") << "E:\\GAMES" << false << "" << "" << "";
}

// clang-format on

void TestCopierLine::rowPaths()
{
    QFETCH(QString, stored);
    QFETCH(bool, valid);
    const auto p = parseRowPath(stored);
    QCOMPARE(p.has_value(), valid);
    if (!p)
        return;
    QTEST(p->medium, "medium");
    QTEST(p->folderPath, "folderPath");
    QTEST(p->folderName, "folderName");
}

// clang-format off
void TestCopierLine::commandLines_data()
{
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<QString>("folderPath");
    QTest::addColumn<QString>("targetFolder");
    QTest::addColumn<QString>("folderName");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("parts"); // program, then the arguments

    const QStringList switches = {"/S", "/C", "/F", "/H", "/R", "/Y"};
    QTest::newRow("folder")
        << "C:\\PROG" << "\\GAMES\\DOOM" << "C:\\MENTES\\" << "DOOM"
        << R"(C:\PROG\athozo "D:\GAMES\DOOM\*.*" "C:\MENTES\DOOM\*.*" /S /C /F /H /R /Y)"
        << QStringList{"C:\\PROG\\athozo", "D:\\GAMES\\DOOM\\*.*", "C:\\MENTES\\DOOM\\*.*"} +
               switches;
    QTest::newRow("medium root")
        << "C:\\PROG\\" << "\\" << "C:\\MENTES\\" << ""
        << R"(C:\PROG\athozo "D:\*.*" "C:\MENTES\*.*" /S /C /F /H /R /Y)"
        << QStringList{"C:\\PROG\\athozo", "D:\\*.*", "C:\\MENTES\\*.*"} + switches;
    QTest::newRow("program folder with blanks, names with blanks")
        << "C:\\opt\\Polcozo 1.1" << "\\Régi játékok\\Doom II" << "C:\\Új mentés\\"
        << "Doom II"
        << R"("C:\opt\Polcozo 1.1\athozo" "D:\Régi játékok\Doom II\*.*" "C:\Új mentés\Doom II\*.*" /S /C /F /H /R /Y)"
        << QStringList{"C:\\opt\\Polcozo 1.1\\athozo", "D:\\Régi játékok\\Doom II\\*.*",
                       "C:\\Új mentés\\Doom II\\*.*"} +
               switches;
    QTest::newRow("quote in a name travels as its escape")
        << "C:\\PROG" << "\\A \"B\"" << "C:\\M\\" << "A \"B\""
        << R"(C:\PROG\athozo "D:\A /22B/22\*.*" "C:\M\A /22B/22\*.*" /S /C /F /H /R /Y)"
        << QStringList{"C:\\PROG\\athozo", "D:\\A /22B/22\\*.*", "C:\\M\\A /22B/22\\*.*"} +
               switches;
    QTest::newRow("numbered target folder")
        << "C:\\PROG" << "\\GAMES\\DOOM" << "C:\\MENTES\\" << "DOOM 1 2"
        << R"(C:\PROG\athozo "D:\GAMES\DOOM\*.*" "C:\MENTES\DOOM 1 2\*.*" /S /C /F /H /R /Y)"
        << QStringList{"C:\\PROG\\athozo", "D:\\GAMES\\DOOM\\*.*", "C:\\MENTES\\DOOM 1 2\\*.*"} +
               switches;
}

// clang-format on

void TestCopierLine::commandLines()
{
    QFETCH(QString, programFolder);
    QFETCH(QString, folderPath);
    QFETCH(QString, targetFolder);
    QFETCH(QString, folderName);
    QFETCH(QStringList, parts);
    const QString line = copierCommandLine(programFolder, QStringLiteral("D:"), folderPath,
                                           targetFolder, folderName);
    QTEST(line, "line");
    const CommandParts split = splitCommandLine(line);
    QCOMPARE(QStringList{split.program} + split.arguments, parts);
}

QTEST_GUILESS_MAIN(TestCopierLine)
#include "test_copierline.moc"
