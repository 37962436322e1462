#pragma once

#include <QIcon>
#include <QString>
#include <QToolButton>
#include <string>

#include "documents/help_topic.h"

class QAbstractButton;
class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPainter;
class QVBoxLayout;

namespace marivel {

// The flat buttons of the pages (help books and "..." browse buttons). Tab
// reaches them, they show a focus frame, and Return and Enter click them as
// Space and the mouse do.
class PageButton : public QToolButton {
    Q_OBJECT

public:
    explicit PageButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

namespace pages {

// The book picture of the help buttons, drawn flat like the other pictures.
QIcon bookIcon();
// The small help button at the right end of a group box; its "tag" property
// holds the help topic, which also gives its name.
QToolButton* helpButton(HelpTopic topic, QWidget* parent);
// "SpeedButton1" for topic 1 ("General"), and so on for the ten groups.
QString helpButtonName(int topic);
// Field labels are bold; group captions keep the normal font.
QLabel* fieldLabel(const QString& text, QWidget* parent);
// The text of a control with blanks and control characters cut off both ends.
std::string trimmed(const QString& text);

// Prepares an edit that holds one field of the project file (a bound
// text). Its text is never cut: the line edit's default limit of 32767
// characters is lifted, for what is loaded and for what the user types. And
// a field is part of one line of the file: a line break pasted or dropped
// into the edit, which shows there as a blank, would split that line and
// damage the file, so it becomes the blank the user sees.
void bindText(QLineEdit* edit);
void bindText(QComboBox* editableList);

// Return and Enter click the button, as Space does.
void clickOnEnter(QAbstractButton* button);

// The focus frame of the pages' own controls: a dotted line over a light
// one, visible on any colour beneath.
void drawFocusFrame(QPainter& painter, const QRect& rect);

// Side margins of at most 6 pixels: the slider page's groups need every
// pixel of the smallest page.
void narrowSideMargins(QLayout* layout);

// Lays the page out as one column of group boxes at its top left. The
// column fills a narrow page but stops at a readable width on a wide one, so
// its fields and help buttons stay together. Answers the column's layout.
QVBoxLayout* column(QWidget* page);

}  // namespace pages

}  // namespace marivel
