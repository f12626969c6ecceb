#include "app/map_drive_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/centre_on_screen.h"
#include "app/dialog_buttons.h"

TfrmMapDrive::TfrmMapDrive(QWidget* parent) : QDialog(parent) {
    setObjectName("TfrmMapDrive");
    setWindowTitle("Map Drive");

    cboDrive = new QComboBox(this);
    cboDrive->setObjectName("cboDrive");
    txtPath = new QLineEdit(this);
    txtPath->setObjectName("txtPath");
    txtPath->setMinimumWidth(320);
    txtPath->setPlaceholderText("SERVER\\VOLUME:PATH or \\\\SERVER\\VOLUME\\PATH");
    txtPath->setToolTip("The folder on a server that the drive letter stands for");

    DialogButtons buttons = MakeDialogButtons(this, "cmdOK", "cmdCancel");
    cmdOK = buttons.ok;
    cmdCancel = buttons.cancel;
    connect(cmdOK, &QPushButton::clicked, this, &TfrmMapDrive::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow("Drive :", cboDrive);
    form->addRow("Folder :", txtPath);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    layout->addLayout(buttons.row);
}

int TfrmMapDrive::Run(const std::vector<char>& letters, const MapDriveWindow::Accept& accept) {
    cboDrive->clear();
    for (char letter : letters) cboDrive->addItem(QString(QChar(letter)) + ":", QChar(letter));
    cboDrive->setCurrentIndex(cboDrive->count() - 1);
    txtPath->setFocus();
    m_accept = accept;
    const int result = exec();
    m_accept = nullptr;
    return result;
}

void TfrmMapDrive::accept() {
    const QVariant letter = cboDrive->currentData();
    if (m_accept && !m_accept(letter.isValid() ? letter.toChar().toLatin1() : '\0',
                              txtPath->text().toStdString()))
        return;
    QDialog::accept();
}

void TfrmMapDrive::showEvent(QShowEvent* event) {
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}
