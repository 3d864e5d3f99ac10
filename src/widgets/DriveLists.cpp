#include "DriveLists.h"

#include "platform/ErrorNumbers.h"
#include "platform/FolderListing.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kLevelRole = Qt::UserRole + 1;
constexpr int kPathRole = Qt::UserRole + 2;
constexpr int kMountRole = Qt::UserRole + 3;

// Indents each folder by its depth, as a folder list draws its tree.
class LevelDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem o(option);
        o.rect.adjust(index.data(kLevelRole).toInt() * 14, 0, 0, 0);
        QStyledItemDelegate::paint(painter, o, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.rwidth() += index.data(kLevelRole).toInt() * 14;
        return s;
    }
};

QByteArray nativeOf(const platform::DriveTable* drives, const QString& drivePath)
{
    const QChar letter = platform::DrivePath::letter(drivePath);
    if (!drives || letter.isNull() || !drives->drive(letter))
        throw platform::Error(platform::err::DeviceUnavailable, drivePath);
    const QByteArray native = platform::nativePath(*drives, drivePath);
    if (native.isEmpty())
        throw platform::Error(platform::err::PathNotFound, drivePath);
    return native;
}

} // namespace

// DriveListBox

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, &DriveListBox::Change);
}

void DriveListBox::setTable(const platform::DriveTable& table)
{
    const QChar previous = drive();
    const QString previousMount = currentIndex() >= 0 ? currentData(kMountRole).toString() : QString();
    {
        const QSignalBlocker block(this);
        clear();
        const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
        for (const platform::Drive& d : table.drives()) {
            addItem(icon, platform::DriveTable::listEntry(d), QVariant(d.letter));
            setItemData(count() - 1, d.mountPoint, kMountRole);
        }
        const int again = findData(QVariant(previous));
        if (again >= 0)
            setCurrentIndex(again);
    }
    // A letter now naming another medium must not carry the old folder over.
    if (!previous.isNull() && currentData(kMountRole).toString() != previousMount)
        setDrive(QLatin1Char('C'));
}

QChar DriveListBox::drive() const
{
    return currentIndex() >= 0 ? currentData().toChar() : QChar();
}

void DriveListBox::setDrive(QChar letter)
{
    const int index = findData(QVariant(letter.toUpper()));
    if (index < 0)
        return;
    {
        const QSignalBlocker block(this);
        setCurrentIndex(index);
    }
    emit Change();
}

void DriveListBox::showPopup()
{
    emit aboutToPopup();
    QComboBox::showPopup();
}

// FolderListBox

FolderListBox::FolderListBox(QWidget* parent) : QListWidget(parent)
{
    setItemDelegate(new LevelDelegate(this));
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderListBox::openItem);
}

void FolderListBox::setPath(const QString& drivePath)
{
    const QByteArray native = nativeOf(m_drives, drivePath);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw platform::Error(platform::err::PathNotFound, drivePath);

    const platform::FolderListing listing = platform::listFolder(native);
    m_path = drivePath;
    m_subFolders.clear();
    clear();

    QStringList chain;
    for (QString p = drivePath; !p.isEmpty(); p = platform::DrivePath::parent(p))
        chain.prepend(p);
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    for (int level = 0; level < chain.size(); ++level) {
        const QString& p = chain.at(level);
        const QString text = level == 0 ? p.toLower() : platform::DrivePath::name(p);
        auto* item = new QListWidgetItem(open, text, this);
        item->setData(kLevelRole, level);
        item->setData(kPathRole, p);
    }
    setCurrentRow(int(chain.size()) - 1);
    for (const platform::FolderEntry& sub : listing.folders) {
        const QString p = platform::DrivePath::join(drivePath, sub.name);
        m_subFolders.append(p);
        auto* item = new QListWidgetItem(closed, sub.name, this);
        item->setData(kLevelRole, int(chain.size()));
        item->setData(kPathRole, p);
    }
    emit Change();
}

void FolderListBox::openItem(QListWidgetItem* item)
{
    if (m_locked || !item)
        return;
    try {
        setPath(item->data(kPathRole).toString());
    } catch (const platform::Error&) {
        QApplication::beep();
    }
}

void FolderListBox::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        openItem(currentItem());
        return;
    }
    QListWidget::keyPressEvent(e);
}

// FileListBox

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent)
{
    setUniformItemSizes(true);
}

void FileListBox::setPath(const QString& drivePath)
{
    m_path = drivePath;
    clear();
    QByteArray native;
    try {
        native = nativeOf(m_drives, drivePath);
    } catch (const platform::Error&) {
        return;
    }
    const int fd = platform::openFolder(native);
    if (fd < 0)
        return;
    const platform::FolderListing listing = platform::listFolder(fd);
    QStringList names;
    for (const platform::FolderEntry& f : listing.files) {
        if (platform::fileFacts(fd, f.raw).state == platform::FileState::Regular)
            names.append(f.name);
    }
    ::close(fd);
    addItems(names);
}
