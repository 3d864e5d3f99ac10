#include "Subject.h"

#include "store/Database.h"

const Subject& Subject::filesSubject()
{
    static const Subject s{
        true,
        QStringLiteral("prgnev"),
        QStringLiteral("kulcs"),
        QStringLiteral("kulcs"),
        QStringLiteral("nev_kulcsid"),
        QStringLiteral("SELECT prgnev.nev, ut.ut, prgnev.hossz, prgnev.crc, prgnev.datum, "
                       "prgnev.id FROM prgnev, ut WHERE prgnev.utid=ut.id"),
        5};
    return s;
}

const Subject& Subject::foldersSubject()
{
    static const Subject s{false,
                           QStringLiteral("ut"),
                           QStringLiteral("kulcsut"),
                           QStringLiteral("nev"),
                           QStringLiteral("ut_kulcsid"),
                           QStringLiteral("SELECT ut.ut, ut.id FROM ut"),
                           1};
    return s;
}

QStringList keywordTexts(const store::Database& db, const Subject& subject)
{
    // Without an order the engine may read the list through its unique text
    // index, and the default keyword would no longer come first.
    store::Statement st = db.prepare(QStringLiteral("SELECT %1 FROM %2 ORDER BY id")
                                         .arg(subject.keywordColumn, subject.keywordTable));
    QStringList texts;
    while (st.step())
        texts << st.value(0).toString();
    return texts;
}
