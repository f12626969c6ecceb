#pragma once

// "Other Files Open": the files one connection holds open.

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;
class QShowEvent;

class TfrmUserInfo final : public QDialog {
    Q_OBJECT
public:
    explicit TfrmUserInfo(QWidget* parent = nullptr);

    QLabel* lblUserName = nullptr;
    QListWidget* lstfiles = nullptr;
    QPushButton* cmdOK = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};
