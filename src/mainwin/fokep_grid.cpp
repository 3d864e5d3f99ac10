// The main window's result grid: its events, moving to the first and last
// row, select all, total size, the clipboard copy and the listing of the view.

#include "FileMessages.h"
#include "FokepRules.h"
#include "PathTree.h"
#include "PathTreeController.h"
#include "ViewScans.h"
#include "fokep.h"
#include "platform/ErrorNumbers.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/Skipped.h"
#include "shared/HostScopes.h"
#include "shared/Module1.h"
#include "store/CatalogFiles.h"
#include "store/DataSource.h"
#include "widgets/DataGrid.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QProgressBar>
#include <QTableView>
#include <QToolButton>

using platform::MessageBox;

namespace {

// Select all asks above this last row position and refuses above the next.
constexpr qint64 kAskFrom = 500;
constexpr qint64 kRefuseAbove = 5000;

} // namespace

void fokep::connectGrid()
{
    m_tree = new PathTreeController(*Fa, *Datafa, *tabla1, host(), *fam, this);
    connect(tabla1, &DataGrid::SelChange, this, &fokep::tabla1_SelChange);
    connect(tabla1, &DataGrid::DblClick, this, &fokep::tabla1_DblClick);
    connect(tabla1, &DataGrid::RowColChange, this, &fokep::tabla1_RowColChange);
    connect(tabla1, &DataGrid::MouseMove, this, &fokep::tabla1_MouseMove);
    connect(tabla1, &DataGrid::MouseUp, this, &fokep::tabla1_MouseUp);
    connect(tabla1, &DataGrid::KeyPress, this, &fokep::tabla1_KeyPress);
    // Queued: the damage may be found while the grid paints.
    for (store::DataSource* source : {Data1, Datafa})
        connect(source, &store::DataSource::damaged, this, &fokep::catalogDamaged,
                Qt::QueuedConnection);
}

void fokep::tabla1_SelChange()
{
    gye->setEnabled(tabla1->selCount() != 0);
    selectionCounter();
}

void fokep::tabla1_DblClick()
{
    m_tree->contextView();
}

void fokep::korny_Click()
{
    m_tree->contextView();
}

void fokep::tabla1_RowColChange()
{
    m_tree->rowColChanged();
}

void fokep::famas_Click()
{
    m_tree->copyNode();
}

void fokep::elore_Click()
{
    try {
        Data1->moveFirst();
    } catch (const platform::Error& e) {
        platform::logSkipped("fokep::elore_Click", e);
    }
}

void fokep::vegere_Click()
{
    try {
        Data1->moveLast();
    } catch (const platform::Error& e) {
        platform::logSkipped("fokep::vegere_Click", e);
    }
}

// Copies the selected rows, in marking order, to the clipboard.
void fokep::mv_Click()
{
    BusyScope busy(host());
    const QList<qint64> marks = tabla1->SelBookmarks();
    ProgressScope progress(host(), 0, int(marks.size()));
    QString text;
    bool read = false;
    try {
        // One pass over the marked rows' stretch, however far apart they lie.
        const QHash<qint64, QString> rows =
            ViewScans::rowTexts(*Data1, marks, [this](int done) { bar->setValue(done); });
        for (const qint64 mark : marks)
            if (rows.contains(mark))
                text += rows.value(mark) + QStringLiteral("\r\n");
        if (!marks.isEmpty())
            Data1->setAbsolutePosition(marks.last());
        read = true;
    } catch (const platform::Error& e) {
        platform::logSkipped("fokep::mv_Click", e);
    }
    // Rows that could not be read are not copied as fewer rows.
    if (read)
        QGuiApplication::clipboard()->setText(text);
    tabla1->setCol(0);
    progress.end();
    busy.end();
}

void fokep::tabla1_MouseMove(Qt::MouseButtons buttons, double y)
{
    if (buttons & Qt::MiddleButton) {
        if (y > m_previousY)
            tabla1->scrollRows(1);
        else if (y < m_previousY)
            tabla1->scrollRows(-1);
    }
    m_previousY = y;
}

void fokep::tabla1_MouseUp(Qt::MouseButton button, const QPoint& globalPos)
{
    if (button != Qt::RightButton)
        return;
    muvEnabling();
    muv->popup(globalPos);
}

void fokep::tabla1_KeyPress(QChar key)
{
    if (key.unicode() < 49 || key.unicode() > 127)
        return;
    tabla1->setCol(0);
    try {
        const qint64 found = ViewScans::typeAhead(*Data1, tabla1->row(), key);
        if (found >= 0)
            Data1->setAbsolutePosition(found);
    } catch (const platform::Error& e) {
        platform::logSkipped("fokep::tabla1_KeyPress", e);
    }
}

void fokep::mki_Click()
{
    qint64 n = 0;
    try {
        Data1->moveLast();
        n = Data1->absolutePosition();
        Data1->moveFirst();
    } catch (const platform::Error&) {
        return;
    }
    if (n > kRefuseAbove) {
        MessageBox::show(this,
                         QStringLiteral("Ön túl sok elemet akar kijelölni (5000<) ! Csökkentse a "
                                        "rekordok számát szűréssel"),
                         MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
        return;
    }
    if (n >= kAskFrom &&
        MessageBox::show(this,
                         QStringLiteral("Ön ") + Module1::Str(n + 1) +
                             QStringLiteral(" db rekordot készűl kijelölni !\r\nfolytatja mégis "
                                            "a kijelöléseket ?"),
                         MessageBox::Buttons::YesNo,
                         MessageBox::Icon::Question) != MessageBox::Answer::Yes)
        return;
    BusyScope busy(host());
    ProgressScope progress(host(), 0, int(n + 1));
    // Rows already marked keep their place; every row ends up marked once.
    tabla1->selectRows(0, n);
    bar->setValue(int(n + 1));
    gye->setEnabled(true);
    selectionCounter();
    progress.end();
    busy.end();
}

void fokep::osszm_Click()
{
    const QList<qint64>& marks = tabla1->SelBookmarks();
    if (marks.isEmpty())
        return;
    BusyScope busy(host());
    tabla1->setCol(2);
    ProgressScope progress(host(), 0, int(marks.size()));
    const qint64 first = marks.first();
    qint64 total = 0;
    bool read = false;
    try {
        total = ViewScans::lengthTotal(*Data1, marks, [this](int done) { bar->setValue(done); });
        read = true;
        Data1->setAbsolutePosition(first);
    } catch (const platform::Error& e) {
        platform::logSkipped("fokep::osszm_Click", e);
    }
    tabla1->setCol(2);
    busy.end();
    progress.end();
    // A total of the rows that could be read would be a wrong total.
    if (!read)
        return;
    m_sizeText = Module1::sizeText(total, QLocale());
    MessageBox::show(this,
                     QStringLiteral("A kijelölt File-ok (") + Module1::Str(qint64(marks.size())) +
                         QStringLiteral(" db) teljes helyfoglalása: ") + m_sizeText +
                         QStringLiteral(" !"),
                     MessageBox::Buttons::Ok, MessageBox::Icon::Information);
    tabla1->view()->viewport()->update();
}

void fokep::lement_Click()
{
    const qint64 count = m_state.recordCount;
    if (count > 1000 &&
        MessageBox::show(this,
                         QStringLiteral("A rekordok száma ") + Module1::Str(count) +
                             QStringLiteral(" ! Mégis menti?\r\n(Lehet, hogy sok időt vesz "
                                            "igénybe.)"),
                         MessageBox::Buttons::YesNo,
                         MessageBox::Icon::Question) != MessageBox::Answer::Yes)
        return;

    platform::FileDialog::Options options;
    options.mode = platform::FileDialog::Mode::Save;
    options.title = QStringLiteral("Leválogatás mentése");
    options.initialFolder =
        AppPaths::dialogFolder(m_paths.programFolder, m_state.settings.lastCatalog);
    options.defaultExtension = QStringLiteral("*.txt");
    options.filter =
        QStringLiteral("Szöveges dokumentum (.txt)|*.txt|CSV (*.csv)|*.csv|Minden file (*.*)|*.*");
    options.hideReadOnly = true;
    for (;;) {
        const std::optional<QString> chosen = platform::FileDialog::run(this, options);
        if (!chosen)
            return;
        if (!FileMessages::mayReplace(this, *chosen))
            return;
        // A view whose catalog is no longer open (3420) is passed over at
        // each step, and the command goes on with the next one.
        const auto step = [](auto&& run) {
            try {
                run();
            } catch (const platform::Error& e) {
                if (e.number() != platform::err::ObjectNotSet)
                    throw;
            }
        };
        try {
            // On a failure the pointer goes off before the bar hides.
            ProgressScope progress(host());
            BusyScope busy(host());
            progress.show(0, int(qMin<qint64>(count, INT_MAX)));
            step([this] { Data1->moveFirst(); });
            const auto rows = [this](qint64 done) { bar->setValue(int(done)); };
            if (chosen->endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
                ViewScans::writeCsv(*Data1, *chosen, rows);
            else
                ViewScans::writeListing(*Data1, *chosen, m_state.settings.lastCatalog,
                                        m_state.recordCountText, rows);
            progress.end();
            step([this] { Data1->moveFirst(); });
            tabla1->setCol(0);
            busy.end();
            return;
        } catch (const platform::Error& e) {
            FileMessages::showCreateFailure(this, e.number());
        }
    }
}
