#pragma once

#include "TestSupport.h"
#include "platform/Drives.h"
#include "retrieval/RetrievalHost.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <ftw.h>
#include <functional>

// The window's side of a copy run: a selection, scripted answers, and a
// record of what was shown and started.
struct FakeHost : retrieval::RetrievalHost
{
    struct Asked
    {
        QString text;
        Buttons buttons;
        Icon icon;
    };
    struct Started
    {
        QString program;
        QStringList arguments;
    };

    QList<retrieval::SelectedRow> selection;
    QList<Answer> answers; // taken in order; when none is left, the first button
    QList<Asked> asked;
    std::function<void(const QString& text)> onAsk; // before the answer: swap a disc...
    QList<Started> started;
    bool startWorks = true;
    QChar source = u'D';
    QChar target = u'C';
    QString folder = QStringLiteral("C:\\MENTES");
    QString program;
    platform::DriveTable table;
    bool barShown = false;
    int barMaximum = 0;
    int barValue = 0;
    bool unloaded = false;

    qsizetype selectionCount() override { return selection.size(); }
    QStringList selectedPaths() override
    {
        QStringList paths;
        for (const auto& row : selection)
            paths << row.path;
        return paths;
    }
    retrieval::SelectedRow firstSelected() override { return selection.at(0); }
    void removeSelected(const QList<qsizetype>& positions) override
    {
        for (auto it = positions.crbegin(); it != positions.crend(); ++it)
            selection.removeAt(*it);
    }
    void showBar(int maximum, int value) override
    {
        barShown = true;
        barMaximum = maximum;
        barValue = value;
    }
    void hideBar() override { barShown = false; }
    Answer ask(const QString& text, Buttons buttons, Icon icon) override
    {
        asked.append({text, buttons, icon});
        if (onAsk)
            onAsk(text);
        if (!answers.isEmpty())
            return answers.takeFirst();
        switch (buttons) {
        case Buttons::YesNo:
            return Answer::Yes;
        case Buttons::RetryCancel:
            return Answer::Retry;
        default:
            return Answer::Ok;
        }
    }
    bool startDetached(const QString& prog, const QStringList& arguments) override
    {
        started.append({prog, arguments});
        return startWorks;
    }
    QChar sourceDrive() override { return source; }
    QChar targetDrive() override { return target; }
    QString targetFolder() override { return folder; }
    QString programFolder() override { return program; }
    platform::DriveTable drives() override { return table; }
    void unload() override
    {
        unloaded = true;
        barShown = false;
    }

    QStringList texts() const
    {
        QStringList out;
        for (const auto& a : asked)
            out << a.text;
        return out;
    }
    QStringList names() const
    {
        QStringList out;
        for (const auto& row : selection)
            out << row.name;
        return out;
    }
};

// Temporary folders as drives: C: holds the target folder MENTES and the
// program folder; each medium is a folder of its own, and inserting it mounts
// that folder as drive D:.
struct RetrievalFixture
{
    QTemporaryDir dir;
    QString c = dir.path() + QStringLiteral("/c");
    QString target = c + QStringLiteral("/MENTES");
    FakeHost host;

    RetrievalFixture()
    {
        QDir().mkpath(target);
        QDir().mkpath(c + QStringLiteral("/Program Files/polcozo"));
        host.program = c + QStringLiteral("/Program Files/polcozo");
        eject();
        // Answering a medium prompt puts that medium in the drive.
        host.onAsk = [this](const QString& text) {
            static const QRegularExpression label(QStringLiteral("^Helyezze be a -(.*)- "));
            const auto m = label.match(text);
            if (m.hasMatch())
                insert(m.captured(1));
        };
    }

    // QTemporaryDir cannot remove names that are not UTF-8.
    ~RetrievalFixture()
    {
        ::nftw(
            QFile::encodeName(dir.path()).constData(),
            [](const char* path, const struct stat*, int, FTW*) { return ::remove(path); }, 16,
            FTW_DEPTH | FTW_PHYS);
    }

    QString medium(const QString& label) const
    {
        return dir.path() + QStringLiteral("/media/") + label;
    }
    void insert(const QString& label)
    {
        host.table = platform::DriveTable::fromFolders(c, {medium(label)});
    }
    void eject()
    {
        host.table = platform::DriveTable::fromFolders(c, {dir.path() + QStringLiteral("/nodisc")});
    }

    // A file on a medium, folders made as needed; the name may be raw bytes.
    void file(const QString& label, const QByteArray& relative,
              const QByteArray& content = "x") const
    {
        const QByteArray path = QFile::encodeName(medium(label)) + '/' + relative;
        QDir().mkpath(QFile::decodeName(path.left(path.lastIndexOf('/'))));
        FILE* out = std::fopen(path.constData(), "wb");
        if (!out || std::fwrite(content.constData(), 1, size_t(content.size()), out) !=
                        size_t(content.size()))
            qFatal("cannot write %s", path.constData());
        std::fclose(out);
    }
    void select(const QString& name, const QString& path) { host.selection.append({name, path}); }

    QStringList targetEntries() const
    {
        return QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                      QDir::Name);
    }
};
