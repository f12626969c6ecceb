#pragma once

// The OK and Cancel pair at the foot of a dialog: OK the default button (so
// Enter presses it), both named for the tests, right-aligned in one row.

#include <QHBoxLayout>
#include <QPushButton>

struct DialogButtons {
    QPushButton* ok;
    QPushButton* cancel;
    QHBoxLayout* row;
};

inline DialogButtons MakeDialogButtons(QWidget* dialog, const char* okName, const char* cancelName) {
    DialogButtons b{new QPushButton("OK", dialog), new QPushButton("Cancel", dialog),
                    new QHBoxLayout};
    b.ok->setObjectName(okName);
    b.ok->setDefault(true);
    b.cancel->setObjectName(cancelName);
    b.row->addStretch();
    b.row->addWidget(b.ok);
    b.row->addWidget(b.cancel);
    return b;
}
