#pragma once

#include <QHash>
#include <QIcon>
#include <QString>

// The path tree's images, by key: "cd", "close", "open", "elem", "jelolt";
// an archive's folder shows "archivclose" and "archivopen".
class ImageList
{
public:
    ImageList();
    QIcon image(const QString& key) const { return m_images.value(key); }

private:
    QHash<QString, QIcon> m_images;
};
