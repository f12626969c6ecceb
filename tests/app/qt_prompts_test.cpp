#include "app/qt_prompts.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QTest>

#include "tests/app/qt_environment.h"

namespace {

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::Warning;
    QStringList buttons;
    QWidget* parent = nullptr;
};

// Reads the box that opens next and presses the button with the given text
// (or closes it with Esc when the text is empty).
void ReadAndAnswer(SeenBox& seen, const QString& press) {
    WhenModalOpens([&seen, press](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.parent = box->parentWidget();
        for (QAbstractButton* b : box->buttons()) seen.buttons << b->text().remove('&');
        seen.buttons.sort();
        if (press.isEmpty()) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        for (QAbstractButton* b : box->buttons())
            if (b->text().remove('&') == press) b->click();
    });
}

TEST(QtPrompts, ErrorBoxShowsTheComposedTextWithCaptionOkAndNoIcon) {
    QMainWindow owner;
    QtPrompts prompts;
    prompts.SetMainWindow(&owner);
    struct Case { const char* label; NWCode code; Prompts::Owner owner; const char* text; bool owned; };
    const Case cases[] = {
        {"Cannot Init Netware", 0x88FE, Prompts::Owner::MainWindow, "Cannot Init Netware\n Code : 88fe", true},
        {"NWCDSCreateContextHandle() ", -601, Prompts::Owner::MainWindow,
         "NWCDSCreateContextHandle() \n Code : fffffda7", true},
        {"No Matching Files were found", 0, Prompts::Owner::None, "No Matching Files were found", false},
    };
    for (const Case& c : cases) {
        SeenBox seen;
        ReadAndAnswer(seen, "OK");
        prompts.ErrorBox(c.label, c.code, c.owner);
        EXPECT_EQ(seen.title, "Kestrune") << c.label;
        EXPECT_EQ(seen.text.toStdString(), c.text);
        EXPECT_EQ(seen.icon, QMessageBox::NoIcon) << c.label;
        EXPECT_EQ(seen.buttons, QStringList{"OK"}) << c.label;
        EXPECT_EQ(seen.parent == &owner, c.owned) << c.label;
    }
}

TEST(QtPrompts, OnlyYesCountsAsYes) {
    QtPrompts prompts;
    struct Case { QString press; bool yes; };
    for (const Case& c : {Case{"Yes", true}, Case{"No", false}, Case{"", false}}) {
        SeenBox seen;
        ReadAndAnswer(seen, c.press);
        EXPECT_EQ(prompts.AskYesNo("Clear Connection 5?"), c.yes) << c.press.toStdString();
        EXPECT_EQ(seen.text, "Clear Connection 5?");
        EXPECT_EQ(seen.title, "Kestrune");
        EXPECT_EQ(seen.buttons, (QStringList{"No", "Yes"}));
    }
}

TEST(QtPrompts, BusyPointerIsSetOnceAndRestoredOnce) {
    {
        QtPrompts prompts;
        prompts.SetBusyPointer(true);
        prompts.SetBusyPointer(true);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        prompts.SetBusyPointer(false);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        prompts.SetBusyPointer(false);  // must not pop someone else's cursor
        prompts.SetBusyPointer(true);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "restored when the prompts go";
}

}  // namespace
