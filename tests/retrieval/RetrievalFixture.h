#pragma once

#include "RawTree.h"
#include "TestSupport.h"
#include "platform/Drives.h"
#include "retrieval/RetrievalHost.h"

#include <QRegularExpression>
#include <QtTest>
#include <functional>

// The window's side of a copy run: a selection, scripted answers (the first
// button when none is left), and a record of what was shown and started.
struct FakeHost : retrieval::RetrievalHost
{
    struct Asked
    {
        QString text;
        Buttons buttons;
        Icon icon;
    };

    QList<retrieval::SelectedRow> selection;
    QList<Answer> answers;
    QList<Asked> asked;
    std::function<void(const QString& text)> onAsk; // before answering: put a disc in...
    QList<QStringList> started;                     // program, then the arguments
    bool startWorks = true;
    QChar source = u'D', target = u'C';
    QString folder = "C:\\MENTES";
    QString program;
    platform::DriveTable table;
    bool barShown = false, unloaded = false;
    int barValue = 0;

    qsizetype selectionCount() override { return selection.size(); }
    QStringList selectedPaths() override { return each(selection, &retrieval::SelectedRow::path); }
    retrieval::SelectedRow firstSelected() override { return selection.at(0); }
    void removeSelected(const QList<qsizetype>& positions) override
    {
        for (auto it = positions.crbegin(); it != positions.crend(); ++it)
            selection.removeAt(*it);
    }
    void showBar(int, int value) override { barShown = true, barValue = value; }
    void hideBar() override { barShown = false; }
    Answer ask(const QString& text, Buttons buttons, Icon icon) override
    {
        asked.append({text, buttons, icon});
        if (onAsk)
            onAsk(text);
        if (!answers.isEmpty())
            return answers.takeFirst();
        return buttons == Buttons::YesNo         ? Answer::Yes
               : buttons == Buttons::RetryCancel ? Answer::Retry
                                                 : Answer::Ok;
    }
    bool startDetached(const QString& prog, const QStringList& arguments) override
    {
        started.append(QStringList{prog} + arguments);
        return startWorks;
    }
    QChar sourceDrive() override { return source; }
    QChar targetDrive() override { return target; }
    QString targetFolder() override { return folder; }
    QString programFolder() override { return program; }
    platform::DriveTable drives() override { return table; }
    void unload() override { unloaded = true, barShown = false; }

    QStringList texts() const { return each(asked, &Asked::text); }
    QStringList names() const { return each(selection, &retrieval::SelectedRow::name); }

    template <typename T> static QStringList each(const QList<T>& list, QString T::*member)
    {
        QStringList out;
        for (const T& item : list)
            out << item.*member;
        return out;
    }
};

// Temporary folders as drives: C: holds the target folder MENTES and the
// program's folder; each medium is a folder of its own, and answering its
// prompt mounts it as drive D:.
struct RetrievalFixture
{
    RawTree::Dir dir;
    QString c = dir.text() + "/c";
    QString target = c + "/MENTES";
    FakeHost host;

    RetrievalFixture()
    {
        RawTree::folder(QFile::encodeName(target));
        host.program = c + "/Program Files/polcozo";
        RawTree::folder(QFile::encodeName(host.program));
        host.table = platform::DriveTable::fromFolders(c, {dir.text() + "/nodisc"});
        host.onAsk = [this](const QString& text) {
            static const QRegularExpression label("^Helyezze be a -(.*)- ");
            if (const auto m = label.match(text); m.hasMatch())
                insert(m.captured(1));
        };
    }

    QString medium(const QString& label) const { return dir.text() + "/media/" + label; }
    void insert(const QString& label)
    {
        host.table = platform::DriveTable::fromFolders(c, {medium(label)});
    }

    // A file on a medium; the name may be any bytes.
    void file(const QString& label, const QByteArray& relative,
              const QByteArray& content = "x") const
    {
        const QByteArray path = QFile::encodeName(medium(label)) + '/' + relative;
        RawTree::folder(path.left(path.lastIndexOf('/')));
        RawTree::write(path, content);
    }
    void select(const QString& name, const QString& path) { host.selection.append({name, path}); }
    QList<QByteArray> targetNames() const { return RawTree::names(QFile::encodeName(target)); }
    QByteArray copied(const QByteArray& name) const
    {
        return RawTree::read(QFile::encodeName(target) + '/' + name);
    }
};
