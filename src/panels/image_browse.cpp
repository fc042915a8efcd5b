#include "panels/image_browse.h"

#include "image/image_loader.h"
#include "image/vector_pictures.h"
#include "model/project_file.h"
#include "operations/project_operations.h"
#include "panels/scene_view.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>

namespace cartonic {

namespace {

// Keeps the wait cursor up for one scope and puts back whatever cursor it covered.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

QStringList toolkitNameFilters(const QList<ImageFileFilter>& filters) {
    QStringList out;
    out.reserve(filters.size());
    for (const ImageFileFilter& filter : filters) {
        out << filter.label + QStringLiteral(" (") + filter.patterns + QLatin1Char(')');
    }
    return out;
}

QString chooseImageFileWithDialog(QWidget* owner, const QList<ImageFileFilter>& filters,
                                  const QString& initialPath) {
    QWidget* window = owner ? owner->window() : nullptr;
    return QFileDialog::getOpenFileName(window, QString(), initialPath,
                                        toolkitNameFilters(filters).join(QStringLiteral(";;")),
                                        nullptr, QFileDialog::HideNameFilterDetails);
}

void showInformationBox(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::Information, QString(), text, QMessageBox::Ok, owner);
    box.exec();
}

QString pathFieldText(const Path& field) {
    const std::string_view text = pathText(field);
    return QFile::decodeName(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

namespace {

// A local file URL's path, with the page a PDF's "#page=N" fragment names kept as the loader
// takes it.
QString localFileWithPage(const QUrl& url) {
    const QString file = url.toLocalFile();
    const QString withPage = file + QLatin1Char('#') + url.fragment();
    return url.hasFragment() && vectorSource(localPath(withPage)) ? withPage : file;
}

} // namespace

QString localFileOf(const QMimeData& mime) {
    for (const QUrl& url : mime.urls()) {
        if (url.isLocalFile()) {
            return localFileWithPage(url);
        }
    }
    if (!mime.hasText()) {
        return {};
    }
    const QString text = mime.text().trimmed();
    const QUrl url(text);
    if (url.isLocalFile()) {
        return localFileWithPage(url);
    }
    return !text.isEmpty() && !text.contains('\n') && pictureFileExists(text) ? text : QString();
}

bool pictureFileExists(const QString& path) {
    return QFileInfo(QFile::decodeName(QByteArray::fromStdString(pictureFileOf(localPath(path)))))
        .isFile();
}

bool isProjectFileName(const QString& path) {
    return QFileInfo(path).suffix().compare(QLatin1String(kProjectFileSuffix),
                                            Qt::CaseInsensitive) == 0;
}

Status loadSlotPicture(Project& project, int slot, const QString& path) {
    const WaitCursor wait;
    return setPicture(project, slot, localPath(path));
}

QString loadFailure(const QString& path, const Status& why) {
    QString name = QFileInfo(path).fileName();
    if (name.isEmpty()) {
        name = path;
    }
    if (why.kind() == Status::Kind::Cancelled) {
        return QString("Stopped loading %1.").arg(name);
    }
    return QString("Cannot load %1: %2.")
        .arg(name, QFile::decodeName(QByteArray::fromStdString(why.message())));
}

} // namespace cartonic
