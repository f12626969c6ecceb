#pragma once

// "Map Drive": a free drive letter and the folder to map it to. OK hands
// both to the caller's check and closes only when the drive was mapped, so a
// refused path can be corrected in place; Cancel or closing the window maps
// nothing. The folder typed last stays for the next use.

#include <QDialog>
#include <vector>

#include "admin/drive_mapping.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QShowEvent;

class TfrmMapDrive final : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMapDrive(QWidget* parent = nullptr);

    // Offers letters (the last one chosen) and runs modally.
    int Run(const std::vector<char>& letters, const MapDriveWindow::Accept& accept);

    QComboBox* cboDrive = nullptr;
    QLineEdit* txtPath = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    MapDriveWindow::Accept m_accept;
};
