#pragma once

// "Login": user name and password for a server or a tree. Both fields are
// emptied every time the dialog is shown; OK ends it with 1, Cancel, Esc or
// the close box with 2.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TfrmLoginBox final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kResultOK = 1;
    static constexpr int kResultCancel = 2;

    explicit TfrmLoginBox(QWidget* parent = nullptr);

    QLabel* lblDetails = nullptr;
    QLineEdit* txtUserName = nullptr;
    QLineEdit* txtPassword = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
};
