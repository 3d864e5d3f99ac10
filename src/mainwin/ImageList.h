#pragma once

#include <QHash>
#include <QIcon>
#include <QString>

// The tree's images, by key.
class ImageList
{
public:
    ImageList()
    {
        for (const char* key : {"cd", "folder"})
            m_images.insert(QLatin1String(key),
                            QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(key))));
    }
    QIcon image(const QString& key) const { return m_images.value(key); }

private:
    QHash<QString, QIcon> m_images;
};
