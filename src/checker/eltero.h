#pragma once

#include "MediumCheck.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QStandardItemModel;
class QTableView;

// The findings of a medium check, one row each, and saving them as a listing.
class eltero : public QDialog
{
    Q_OBJECT
public:
    // 'medium' names the checked medium ("CD_1 (E:\)"); 'summary' says how the check ended.
    eltero(const QString& catalogPath, const QString& programFolder, const QString& medium,
           const QString& summary, const QList<checker::Finding>& findings,
           QWidget* parent = nullptr);

    QLabel* osszeg;
    QTableView* lista;
    QPushButton* mentes;
    QPushButton* bezar;

    void mentes_Click();

    QStandardItemModel* model() const { return m_model; }

private:
    QString m_catalogPath;
    QString m_programFolder;
    QString m_medium;
    QList<checker::Finding> m_findings;
    QStandardItemModel* m_model;
};
