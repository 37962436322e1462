#include "editor/picture_files.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace marivel {

namespace {

constexpr qsizetype kNamedAtMost = 10;

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// -1, 0 or 1 as a compares to b, runs of digits by their value.
int NaturalCompare(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            qsizetype endA = i, endB = j;
            while (endA < a.size() && IsDigit(a[endA])) ++endA;
            while (endB < b.size() && IsDigit(b[endB])) ++endB;
            // Leading zeros do not make a number larger.
            qsizetype startA = i, startB = j;
            while (startA + 1 < endA && a[startA] == QLatin1Char('0')) ++startA;
            while (startB + 1 < endB && b[startB] == QLatin1Char('0')) ++startB;
            const qsizetype lengthA = endA - startA, lengthB = endB - startB;
            if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
            const int digits =
                QStringView(a).sliced(startA, lengthA).compare(QStringView(b).sliced(startB, lengthB));
            if (digits != 0) return digits < 0 ? -1 : 1;
            i = endA;
            j = endB;
            continue;
        }
        const int letters = QString::compare(a.sliced(i, 1), b.sliced(j, 1), Qt::CaseInsensitive);
        if (letters != 0) return letters < 0 ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

bool IsProjectFile(const QString& path) {
    return QFileInfo(path).suffix().compare(QLatin1String("mvl"), Qt::CaseInsensitive) == 0;
}

}  // namespace

bool NaturalLess(const QString& a, const QString& b) {
    const int natural = NaturalCompare(a, b);
    return natural != 0 ? natural < 0 : a < b;
}

void SortByNaturalName(QStringList& files) {
    std::stable_sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        const QString nameA = QFileInfo(a).fileName(), nameB = QFileInfo(b).fileName();
        if (nameA != nameB) return NaturalLess(nameA, nameB);
        return NaturalLess(a, b);
    });
}

QString DroppedProject(const QList<QUrl>& urls) {
    for (const QUrl& url : urls)
        if (url.isLocalFile() && IsProjectFile(url.toLocalFile()) && QFileInfo(url.toLocalFile()).isFile())
            return url.toLocalFile();
    return {};
}

DroppedFiles SortOutDrop(const QList<QUrl>& urls) {
    DroppedFiles dropped;
    dropped.project = DroppedProject(urls);
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        const QFileInfo info(path);
        if (info.isDir()) {
            const QDir folder(path);
            for (const QFileInfo& file :
                 folder.entryInfoList({QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")}, QDir::Files))
                dropped.pictures << file.absoluteFilePath();
        } else if (!IsProjectFile(path)) {
            dropped.pictures << info.absoluteFilePath();
        }
    }
    return dropped;
}

QString NotAddedMessage(const QStringList& names) {
    QString message = QStringLiteral("These files are not readable JPEG pictures and were not added:");
    for (qsizetype i = 0; i < std::min(names.size(), kNamedAtMost); ++i)
        message += QLatin1Char('\n') + names[i];
    if (names.size() > kNamedAtMost)
        message += QStringLiteral("\nand %1 more").arg(names.size() - kNamedAtMost);
    return message;
}

}  // namespace marivel
