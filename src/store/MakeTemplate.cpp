// Builds the template catalog from the schema script: mktemplate schema.sql init.plc
#include "store/Database.h"

#include <QFile>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s schema.sql init.plc\n", argv[0]);
        return 2;
    }
    QFile schema(QString::fromLocal8Bit(argv[1]));
    if (!schema.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const QString target = QString::fromLocal8Bit(argv[2]);
    const QString temp = target + QStringLiteral(".tmp");
    QFile::remove(temp);
    try {
        auto db = store::Database::create(temp);
        db.execScript(QString::fromUtf8(schema.readAll()));
        db.execScript(QStringLiteral("VACUUM"));
        db.close();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        QFile::remove(temp);
        return 1;
    }
    QFile::remove(target);
    if (!QFile::rename(temp, target)) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
