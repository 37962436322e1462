#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace marivel {

// True when a comes before b in natural name order: runs of digits compare
// by their number ("photo2" before "photo10"), the rest without regard to
// letter case; names that still tie compare as plain text.
bool NaturalLess(const QString& a, const QString& b);

// Sorts picture files by their file names in natural order (their full
// paths break ties).
void SortByNaturalName(QStringList& files);

// What a drop of files from a file manager brings.
struct DroppedFiles {
    QString project;       // the first project file (".mvl") dropped, if any
    QStringList pictures;  // the files dropped, and the JPEGs of each folder dropped
};

// Sorts out dropped URLs: local files are taken as they are, folders give
// their ".jpg" and ".jpeg" files (not their sub-folders'); other URLs are
// left out.
DroppedFiles SortOutDrop(const QList<QUrl>& urls);

// The first project file (".mvl") among the URLs, or an empty text.
QString DroppedProject(const QList<QUrl>& urls);

// The one message naming the files that were not added: at most ten names,
// then how many more.
QString NotAddedMessage(const QStringList& names);

}  // namespace marivel
