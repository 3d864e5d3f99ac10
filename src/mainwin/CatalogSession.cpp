#include "CatalogSession.h"

#include "CatalogBinding.h"
#include "platform/ErrorNumbers.h"
#include "platform/Skipped.h"
#include "queries/LinkIndexes.h"
#include "shared/AppPaths.h"
#include "shared/MainHost.h"
#include "shared/Module1.h"
#include "shared/SharedState.h"
#include "store/CatalogFiles.h"
#include "store/DataSource.h"

namespace err = platform::err;

const QString CatalogSession::kBaseView = QStringLiteral("SELECT * FROM alapfile");
const QString CatalogSession::kOpenedPrefix = QStringLiteral("Megnyitva: ");

namespace {

// Why a catalog that is there did not open, as the start-up message says it.
QString openFailureReason(int number)
{
    switch (number) {
    case err::FileAlreadyOpen:
        return QStringLiteral("Egy másik program éppen használja !");
    case err::PermissionDenied:
        return QStringLiteral("Hozzáférés megtagadva !");
    case err::NotADatabase:
        return QStringLiteral("Sérült vagy ismeretlen adatbázis !");
    case err::DeviceIO:
        return QStringLiteral("Olvasási hiba a lemezen !");
    case err::PathFileAccess:
        return QStringLiteral("Ez egy mappa, nem adatbázis !");
    default:
        return QStringLiteral("#") + Module1::Str(number) + QStringLiteral(". hiba !");
    }
}

QString cannotOpenText(const QString& path, int number)
{
    return QStringLiteral("Nem lehet megnyitni a legutóbbi adatbázist:\r\n") + path +
           QStringLiteral("\r\n") + openFailureReason(number);
}

} // namespace

CatalogSession::CatalogSession(SharedState& state, const AppPaths& paths, MainHost& host,
                               CatalogBinding& binding)
    : m_state(state), m_paths(paths), m_host(host), m_binding(binding)
{
}

void CatalogSession::loadSettings()
{
    m_state.programFolder = m_paths.programFolder;
    m_state.settings = store::readSettings(m_paths.settingsFile, m_paths.programFolder);
}

CatalogSession::Start CatalogSession::openLast()
{
    using Icon = platform::MessageKinds::Icon;
    const QString templateFile = m_paths.templateFile();
    QString& last = m_state.settings.lastCatalog;
    QString keptAs;
    Start start;
    QString& notice = start.notice;
    try {
        try {
            if (store::isTemplate(last, templateFile)) {
                keptAs = store::resetFromTemplate(templateFile, m_paths.defaultCatalog);
                last = m_paths.defaultCatalog;
            }
            bindWithCaption(last, true);
        } catch (const platform::Error& e) {
            const int n = e.number();
            const bool gone =
                n == err::FileNotFound || n == err::PathNotFound || n == err::BadFileName;
            const bool isDefault = store::sameFile(last, m_paths.defaultCatalog);
            if (!gone && isDefault && n == err::FileAlreadyOpen) {
                // Held by another program: it is not moved from under it.
                notice =
                    cannotOpenText(last, n) +
                    QStringLiteral("\r\n\r\nZárja be a másik programot, majd indítsa újra ezt !");
                throw;
            }
            if (!gone) {
                m_retryCatalog = last;
                notice = cannotOpenText(last, n);
            }
            keptAs = store::resetFromTemplate(templateFile, m_paths.defaultCatalog);
            // The user's catalog was the default one: it is now where it was set aside.
            if (!gone && isDefault && !keptAs.isEmpty())
                m_retryCatalog = keptAs;
            last = m_paths.defaultCatalog;
            bindWithCaption(last, true);
            if (!gone)
                notice += QStringLiteral("\r\n\r\nHelyette egy üres adatbázis nyílt meg:\r\n") +
                          last + QStringLiteral("\r\nA következő indításkor újra megpróbálom.");
        }
    } catch (const platform::Error& e) {
        if (notice.isEmpty())
            notice = QStringLiteral("A program nem indítható: az üres adatbázis sablonja (") +
                     templateFile + QStringLiteral(") hiányzik vagy sérült.\n") + e.detail();
        start.icon = Icon::Critical;
        return start;
    }
    if (!keptAs.isEmpty())
        notice +=
            (notice.isEmpty() ? QString() : QStringLiteral("\r\n\r\n")) + keptAsideText(keptAs);
    start.opened = true;
    start.icon = m_retryCatalog.isEmpty() ? Icon::Information : Icon::Exclamation;
    return start;
}

void CatalogSession::bindBaseView(const QString& path, bool fresh, BindProgress progress)
{
    store::DataSource& data1 = m_binding.data1();
    data1.setDatabaseName(path);
    if (progress.pointed >= 0)
        m_host.showProgress(progress.pointed);
    // Any other SQLite file opens too; only a catalog is shown as one.
    store::checkCatalog(data1.database());
    // Catalogs from an older template get the link indexes the searches rely
    // on, once; one that cannot be written is searched without them.
    if (!queries::hasLinkIndexes(data1.database())) {
        try {
            queries::addLinkIndexes(data1.database());
        } catch (const platform::Error& e) {
            platform::logSkipped("CatalogSession::bindBaseView", e);
        }
    }
    m_host.setView({kBaseView, {}, true, {}, false});
    if (progress.refreshed >= 0)
        m_host.showProgress(progress.refreshed);
    store::DataSource& datafa = m_binding.datafa();
    datafa.setDatabaseName(path);
    datafa.setRecordSource(kBaseView);
    datafa.refresh();
    m_binding.catalogBound(path, fresh);
    m_state.settings.lastCatalog = path;
    saveSettings();
}

void CatalogSession::bindWithCaption(const QString& path, bool fresh, BindProgress progress)
{
    m_binding.setGridCaption(kOpenedPrefix + path);
    bindBaseView(path, fresh, progress);
}

QString CatalogSession::bindFreshDefault()
{
    const QString keptAs = store::resetFromTemplate(m_paths.templateFile(), m_paths.defaultCatalog);
    m_state.settings.lastCatalog = m_paths.defaultCatalog;
    bindWithCaption(m_paths.defaultCatalog, true);
    return keptAs;
}

store::Settings CatalogSession::settingsToSave() const
{
    store::Settings saved = m_state.settings;
    if (!m_retryCatalog.isEmpty() && saved.lastCatalog == m_paths.defaultCatalog)
        saved.lastCatalog = m_retryCatalog;
    return saved;
}

bool CatalogSession::saveSettings() const
{
    return store::writeSettings(m_paths.settingsFile, settingsToSave());
}

void CatalogSession::shutDown(quint8 windowState, bool contextRefresh, bool autoCompact)
{
    m_state.settings.windowState = windowState;
    m_state.settings.contextRefresh = contextRefresh ? -1 : 0;
    m_state.settings.autoCompact = autoCompact ? -1 : 0;
    saveSettings();
}

QString CatalogSession::keptAsideText(const QString& keptAs)
{
    return QStringLiteral("A korábbi adatbázist félretettem ide:\r\n") + keptAs;
}
