#include "app/user_info_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/centre_on_screen.h"

TfrmUserInfo::TfrmUserInfo(QWidget* parent) : QDialog(parent) {
    setObjectName("TfrmUserInfo");
    setWindowTitle("Other Files Open");
    resize(408, 300);

    lblUserName = new QLabel(this);
    lblUserName->setObjectName("lblUserName");
    lblUserName->setTextFormat(Qt::PlainText);
    lblUserName->setMinimumWidth(373);

    lstfiles = new QListWidget(this);
    lstfiles->setObjectName("lstfiles");
    lstfiles->setMinimumSize(381, 177);

    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblUserName);
    layout->addWidget(lstfiles, 1);
    layout->addLayout(buttons);
}

void TfrmUserInfo::showEvent(QShowEvent* event) {
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}
