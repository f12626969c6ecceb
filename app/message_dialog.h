#pragma once

// "Send Message": the text of a broadcast message. It keeps the last text
// between uses; OK accepts, Cancel or closing the window rejects.

#include <QDialog>

class QLineEdit;
class QPushButton;
class QShowEvent;

class TfrmMessage final : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMessage(QWidget* parent = nullptr);

    QLineEdit* txtMessage = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};
