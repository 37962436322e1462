#include "platform/qt_prompter.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "platform/picture_dialog.h"

namespace marivel {

namespace {

// The project's texts and file names reach these boxes: shown as rich text,
// a name holding markup would show headings, links and pictures.
void ShowAsPlainText(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
}

Prompter::Answer askWarning(QWidget* parent, const QString& text, bool withCancel) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::NoButton, parent);
    ShowAsPlainText(box);
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    QPushButton* cancel =
        withCancel ? box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole) : nullptr;
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel ? static_cast<QAbstractButton*>(cancel) : no);
    box.exec();
    if (box.clickedButton() == yes) return Prompter::Answer::Yes;
    if (box.clickedButton() == no) return Prompter::Answer::No;
    return Prompter::Answer::Cancel;
}

}  // namespace

void QtPrompter::error(QWidget* parent, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Critical, caption.isEmpty() ? QStringLiteral("Tessaline") : caption, text,
                    QMessageBox::Ok, parent);
    ShowAsPlainText(box);
    box.exec();
}

Prompter::Answer QtPrompter::yesNo(QWidget* parent, const QString& text) {
    return askWarning(parent, text, false);
}

Prompter::Answer QtPrompter::yesNoCancel(QWidget* parent, const QString& text) {
    return askWarning(parent, text, true);
}

Prompter::Answer QtPrompter::okCancel(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::NoButton, parent);
    ShowAsPlainText(box);
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == ok ? Prompter::Answer::Yes : Prompter::Answer::Cancel;
}

void QtPrompter::warningYesOnly(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::NoButton, parent);
    ShowAsPlainText(box);
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::AcceptRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(yes);
    box.exec();
}

void QtPrompter::information(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, parent);
    ShowAsPlainText(box);
    box.exec();
}

QString QtPrompter::openFile(QWidget* parent, const QString& caption, const QString& filter,
                             const QString& directory) {
    return QFileDialog::getOpenFileName(parent, caption, directory, filter);
}

QString QtPrompter::saveFile(QWidget* parent, const QString& caption, const QString& filter,
                             const QString& directory, bool confirmOverwrite) {
    // Without DontConfirmOverwrite the dialog asks before it lets the user
    // pick a file that exists: a save publishes a whole set of files there.
    return QFileDialog::getSaveFileName(
        parent, caption, directory, filter, nullptr,
        confirmOverwrite ? QFileDialog::Options() : QFileDialog::Options(QFileDialog::DontConfirmOverwrite));
}

QString QtPrompter::openPicture(QWidget* parent, const QString& filter, const QString& directory) {
    PictureDialog dialog(parent, filter, directory);
    if (dialog.exec() != QDialog::Accepted) return QString();
    return dialog.chosenFile();
}

QStringList QtPrompter::openPictures(QWidget* parent, const QString& filter, const QString& directory) {
    PictureDialog dialog(parent, filter, directory, PictureDialog::Choice::Several);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

QColor QtPrompter::color(QWidget* parent, const QColor& initial) {
    return QColorDialog::getColor(initial, parent);
}

}  // namespace marivel
