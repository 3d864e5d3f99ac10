#include "CatalogCommands.h"

#include "CatalogBinding.h"
#include "FileMessages.h"
#include "JetConversion.h"
#include "jetimport/JetImport.h"
#include "platform/ErrorNumbers.h"
#include "platform/MessageBox.h"
#include "platform/Skipped.h"
#include "shared/AppPaths.h"
#include "shared/HostScopes.h"
#include "shared/Module1.h"
#include "shared/SharedState.h"
#include "store/CatalogFiles.h"
#include "store/DataSource.h"

#include <QFileInfo>

using platform::MessageBox;
namespace err = platform::err;

const QString CatalogCommands::kDialogFilter =
    QStringLiteral("Adatbázis (.mdb)|*.mdb|Minden file (*.*)|*.*");

CatalogCommands::CatalogCommands(SharedState& state, const AppPaths& paths, MainHost& host,
                                 CatalogBinding& binding, CatalogSession& session)
    : m_state(state), m_paths(paths), m_host(host), m_binding(binding), m_session(session)
{
}

platform::FileDialog::Options CatalogCommands::dialog1(platform::FileDialog::Mode mode,
                                                       const QString& title) const
{
    platform::FileDialog::Options o;
    o.mode = mode;
    o.title = title;
    o.initialFolder = AppPaths::dialogFolder(m_state.programFolder, m_state.settings.lastCatalog);
    o.filter = kDialogFilter;
    o.defaultExtension = QStringLiteral("*.mdb");
    o.hideReadOnly = true;
    return o;
}

QString CatalogCommands::compactionReport(qint64 before, qint64 after)
{
    const qint64 gain = before - after;
    const float percent = float(100.0 - double(after) / double(before) * 100.0);
    return QStringLiteral("              A tömörítés kész!\r\n") +
           QStringLiteral("Eredeti hossz: ") + Module1::Str(before) + QStringLiteral(" byte\r\n") +
           QStringLiteral("Új méret: ") + Module1::Str(after) + QStringLiteral(" byte\r\n") +
           QStringLiteral("Nyereség: ") + Module1::Str(gain) + QStringLiteral(" byte  ") +
           Module1::Str(percent) + QStringLiteral(" %.");
}

void CatalogCommands::closeSources()
{
    // Closing a connection that is already closed (3420) is of no concern here.
    for (store::DataSource* source : {&m_binding.data1(), &m_binding.datafa()}) {
        try {
            source->closeDatabase();
        } catch (const platform::Error& e) {
            if (e.number() != err::ObjectNotSet)
                throw;
        }
    }
}

// The common last stage of the commands.
void CatalogCommands::rebind(const QString& path, bool fresh, BindProgress progress)
{
    m_session.bindWithCaption(path, fresh, progress);
    if (progress.refreshed >= 0)
        m_host.showProgress(100);
    m_host.activationSteps();
}

// The default catalog made afresh from the template becomes the catalog in force.
void CatalogCommands::bindFreshDefault()
{
    const QString keptAs = m_session.bindFreshDefault();
    if (!keptAs.isEmpty() && !m_state.autoCompacting)
        MessageBox::show(m_binding.dialogParent(), CatalogSession::keptAsideText(keptAs),
                         MessageBox::Buttons::Ok, MessageBox::Icon::Information);
}

// After a failed command was cancelled: bind the catalog in force again, or,
// when even that fails, a fresh default catalog, so the window is never left
// without a catalog.
void CatalogCommands::rebindInForce()
{
    try {
        rebind(m_state.settings.lastCatalog);
        return;
    } catch (const platform::Error& e) {
        platform::logSkipped("CatalogCommands::rebindInForce", e);
    }
    try {
        bindFreshDefault();
        m_host.activationSteps();
    } catch (const platform::Error& e) {
        MessageBox::show(m_binding.dialogParent(),
                         QStringLiteral("#") + Module1::Str(e.number()) +
                             QStringLiteral(". File megnyitási hiba! Ellenőrizze az adatokat!"));
    }
}

void CatalogCommands::Fnyit()
{
    closeSources();
    QString inForce = m_state.settings.lastCatalog;
    for (;;) {
        auto options = dialog1(platform::FileDialog::Mode::Open,
                               QStringLiteral("Adatbázis megnyitása"));
        options.fileName.clear();
        const std::optional<QString> chosen =
            platform::FileDialog::run(m_binding.dialogParent(), options);
        if (chosen)
            m_dialogFileName = QFileInfo(*chosen).fileName();
        if (!chosen) {
            rebindInForce();
            return;
        }
        const QString path = *chosen;
        if (store::isTemplate(path, m_paths.templateFile())) {
            MessageBox::show(m_binding.dialogParent(),
                             QStringLiteral("Ez belső adatbázis ! Nyisson meg egy másikat !"),
                             MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
            continue;
        }
        // A catalog of the Jet engine opens as a converted copy.
        if (jetimport::isJetFile(path)) {
            if (openJet(path) == JetOutcome::Done)
                return;
            continue;
        }
        try {
            // A FIFO or a device is refused before anything opens it and waits.
            store::checkRegularFile(path);
            ProgressScope bar(m_host, 10);
            BusyScope busy(m_host);
            m_state.settings.lastCatalog = path;
            rebind(path, true, {60, 80});
            bar.end();
            busy.end();
            return;
        } catch (const platform::Error& e) {
            const int n = e.number();
            switch (n) {
            case err::BadFileName:
            case err::FileNotFound:
            case err::PathFileAccess:
            case err::PathNotFound:
                MessageBox::show(
                    m_binding.dialogParent(),
                    QStringLiteral("Rossz út vagy File név ! Ellenőrizze, majd próbálja újra."),
                    MessageBox::Buttons::Ok, MessageBox::Icon::Exclamation);
                break;
            case err::FileAlreadyOpen:
            case err::DeviceIO:
            case err::TooManyFiles:
            case err::DeviceUnavailable:
            case err::PermissionDenied:
            case err::DiskNotReady:
                MessageBox::show(m_binding.dialogParent(),
                                 QStringLiteral("Hozzáférés megtagadva !"), MessageBox::Buttons::Ok,
                                 MessageBox::Icon::Critical);
                break;
            case err::NotADatabase:
                MessageBox::show(
                    m_binding.dialogParent(),
                    QStringLiteral("Sérült vagy ismeretlen adatbázis! Nyisson meg másikat."),
                    MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
                break;
            default:
                MessageBox::show(
                    m_binding.dialogParent(),
                    QStringLiteral("#") + Module1::Str(n) +
                        QStringLiteral(". File megnyitási hiba! Ellenőrizze az adatokat!"));
                break;
            }
            if (n == err::NotADatabase) {
                try {
                    bindFreshDefault();
                    inForce = m_paths.defaultCatalog;
                } catch (const platform::Error&) {
                    m_state.settings.lastCatalog = inForce;
                }
            } else {
                m_state.settings.lastCatalog = inForce;
            }
        }
    }
}

// Steps shared by new and save as: the name of the file to write, confirmed
// when it exists; nothing when the user cancels.
std::optional<QString> CatalogCommands::askTargetName(const QString& title)
{
    for (;;) {
        auto options = dialog1(platform::FileDialog::Mode::Save, title);
        options.fileName = m_dialogFileName;
        const std::optional<QString> chosen =
            platform::FileDialog::run(m_binding.dialogParent(), options);
        if (!chosen)
            return std::nullopt;
        m_dialogFileName = QFileInfo(*chosen).fileName();
        const QString path = *chosen;
        if (FileMessages::refusedTarget(m_binding.dialogParent(), path))
            continue;
        if (!FileMessages::mayReplace(m_binding.dialogParent(), path))
            return std::nullopt;
        if (store::isTemplate(path, m_paths.templateFile())) {
            MessageBox::show(m_binding.dialogParent(),
                             QStringLiteral("Ez foglalt név, adjon más nevet az új adatbázisnak !"),
                             MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
            continue;
        }
        return path;
    }
}

void CatalogCommands::Fuj()
{
    const QString inForce = m_state.settings.lastCatalog;
    bool unbound = false;
    for (;;) {
        const std::optional<QString> path =
            askTargetName(QStringLiteral("Új adatbázis megadása"));
        if (!path) {
            if (unbound)
                rebindInForce();
            return;
        }
        try {
            store::copyFile(m_paths.templateFile(), *path);
            m_state.settings.lastCatalog = *path;
            unbound = true;
            closeSources();
            rebind(*path, true);
            return;
        } catch (const platform::Error& e) {
            m_state.settings.lastCatalog = inForce;
            FileMessages::showCreateFailure(m_binding.dialogParent(), e.number());
            m_host.hideProgress();
        }
    }
}

void CatalogCommands::mas()
{
    const QString inForce = m_state.settings.lastCatalog;
    bool unbound = false;
    for (;;) {
        const std::optional<QString> path = askTargetName(QStringLiteral("Mentés másképpen"));
        if (!path) {
            if (unbound)
                rebindInForce();
            return;
        }
        ProgressScope bar(m_host);
        try {
            BusyScope busy(m_host);
            bar.show(10);
            unbound = true;
            closeSources();
            store::copyFile(inForce, *path);
            bar.show(40);
            m_state.settings.lastCatalog = *path;
            rebind(*path, true, {-1, 70});
            bar.end();
            busy.end();
            return;
        } catch (const platform::Error& e) {
            m_state.settings.lastCatalog = inForce;
            FileMessages::showCreateFailure(m_binding.dialogParent(), e.number());
            bar.hide();
        }
    }
}

void CatalogCommands::Ftomor()
{
    const QString path = m_state.settings.lastCatalog;
    const bool silent = m_state.autoCompacting;
    BusyScope busy(m_host);
    ProgressScope bar(m_host, 10);
    try {
        // Nothing ever writes into the template.
        if (store::isTemplate(path, m_paths.templateFile()))
            throw platform::Error(err::PermissionDenied, path);
        closeSources();
        bar.show(50);
        const store::CompactionResult r = store::compactCatalog(path);
        bar.show(90);
        const qint64 gain = r.before - r.after;
        bar.show(100);
        busy.end();
        if (!silent) {
            if (gain < 1)
                MessageBox::show(
                    m_binding.dialogParent(),
                    QStringLiteral("A tömörítés kész, de nem lehetett összébb nyomni!"));
            else
                MessageBox::show(m_binding.dialogParent(), compactionReport(r.before, r.after));
        }
    } catch (const platform::Error&) {
        busy.end();
        if (!silent)
            MessageBox::show(m_binding.dialogParent(),
                             QStringLiteral("Most nem lehetséges a tömörítés, a rendszer "
                                            "újraindítása után ismételje meg a műveletet !"));
        bar.hide();
    }
    // The catalog is bound again in every case; should it be gone, a fresh default one.
    busy.start();
    try {
        m_session.bindBaseView(path);
    } catch (const platform::Error&) {
        try {
            bindFreshDefault();
        } catch (const platform::Error&) {
            // No view could be put in force: the flag and the count say so.
            m_state.baseView = true;
            m_host.recordCounter();
        }
    }
    bar.hide();
    m_host.activationSteps();
    busy.end();
}

// Converts a Jet catalog into a new catalog beside it and binds that, as a
// successful open binds. The original is only read, and only by a child
// process. A cancel at the question, at the dialog or during the conversion
// rebinds the catalog in force, as a cancelled open does.
CatalogCommands::JetOutcome CatalogCommands::openJet(const QString& jetPath)
{
    if (MessageBox::show(m_binding.dialogParent(), jetimport::convertQuestion(jetPath),
                         MessageBox::Buttons::YesNo,
                         MessageBox::Icon::Question) != MessageBox::Answer::Yes) {
        rebindInForce();
        return JetOutcome::Done;
    }
    const QFileInfo proposed(jetimport::proposedTargetName(jetPath));
    const QString inForce = m_state.settings.lastCatalog;
    for (;;) {
        auto options = dialog1(platform::FileDialog::Mode::Save, jetimport::targetDialogTitle());
        options.initialFolder = proposed.absolutePath();
        options.fileName = proposed.fileName();
        const std::optional<QString> chosen =
            platform::FileDialog::run(m_binding.dialogParent(), options);
        if (chosen && FileMessages::refusedTarget(m_binding.dialogParent(), *chosen))
            continue;
        if (!chosen || !FileMessages::mayReplace(m_binding.dialogParent(), *chosen)) {
            rebindInForce();
            return JetOutcome::Done;
        }
        const QString target = *chosen;
        if (store::isTemplate(target, m_paths.templateFile())) {
            MessageBox::show(m_binding.dialogParent(),
                             QStringLiteral("Ez foglalt név, adjon más nevet az új adatbázisnak !"),
                             MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
            continue;
        }
        jetimport::ImportResult result;
        try {
            ProgressScope bar(m_host, 0);
            const std::optional<jetimport::ImportResult> converted =
                JetConversion::run(m_host, m_binding, jetPath, m_paths.templateFile(), target);
            if (!converted) {
                bar.end();
                rebindInForce();
                return JetOutcome::Done;
            }
            result = *converted;
            BusyScope busy(m_host);
            m_state.settings.lastCatalog = target;
            rebind(target, true, {-1, 95});
            bar.end();
            busy.end();
        } catch (const platform::Error& e) {
            m_state.settings.lastCatalog = inForce;
            if (e.number() == err::NotADatabase) {
                MessageBox::show(m_binding.dialogParent(), e.detail(), MessageBox::Buttons::Ok,
                                 MessageBox::Icon::Critical);
                return JetOutcome::OpenAgain;
            }
            FileMessages::showCreateFailure(m_binding.dialogParent(), e.number());
            continue;
        }
        m_dialogFileName = QFileInfo(target).fileName();
        const QString leftOut = jetimport::leftOutMessage(result);
        if (!leftOut.isEmpty())
            MessageBox::show(m_binding.dialogParent(), leftOut, MessageBox::Buttons::Ok,
                             MessageBox::Icon::Information);
        return JetOutcome::Done;
    }
}
