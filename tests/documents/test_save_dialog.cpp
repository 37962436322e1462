// The real save dialog asks before it lets the user pick a file that exists.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/qt_prompter.h"
#include "support/temp_dir.h"

namespace marivel::test {
namespace {

TEST(QtPrompterSaveFile, AsksBeforeReplacingAnExistingFile) {
    QTemporaryDir dir;
    WriteBytes(dir.filePath("project.mvl").toStdString(), "");
    for (const bool replace : {false, true}) {
        QString question;
        bool typed = false;
        QTimer user;  // types the existing name, answers, and cancels after a refusal
        QObject::connect(&user, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                question = box->text();
                box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
            } else if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && typed) {
                dialog->reject();
            } else if (dialog) {
                typed = true;
                dialog->findChild<QLineEdit*>("fileNameEdit")->setText("project.mvl");
                QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
            }
        });
        user.start(20);
        const QString answer = QtPrompter().saveFile(nullptr, "Save As", "Marivel Files (*.mvl)", dir.path());
        EXPECT_TRUE(question.contains("already exists")) << question.toStdString();
        EXPECT_EQ(answer, replace ? dir.filePath("project.mvl") : QString());
    }
}

}  // namespace
}  // namespace marivel::test
