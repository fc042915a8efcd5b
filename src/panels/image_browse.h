#pragma once

// The picture-browsing flow both settings panels share: the open-file dialog with its filters,
// the wait cursor around decoding, the texture build, and the one failure message. The dialog
// and the message box sit behind swappable functions so tests never meet a modal window.

#include "base/status.h"
#include "model/project.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>

class QMimeData;
class QWidget;

namespace cartonic {

// The only message a user ever sees for a failed operation.
inline constexpr const char* kLoadImageFailed = "Load image file failed!";

// One entry of the file type list: the text the user reads and the space-separated patterns it
// stands for (label "bmp(*.bmp)", patterns "*.bmp").
struct ImageFileFilter {
    QString label;
    QString patterns;
};

// Asks for an existing image file, starting at initialPath (may be empty), modal to owner's
// window; the chosen path, or an empty string when cancelled.
using ImageFileChooser = std::function<QString(
    QWidget* owner, const QList<ImageFileFilter>& filters, const QString& initialPath)>;
// Tells the user something with an information icon, an OK button and no caption of its own.
using InformationMessage = std::function<void(QWidget* owner, const QString& text)>;

// The toolkit's open-file dialog, each filter listed under its label alone.
QString chooseImageFileWithDialog(QWidget* owner, const QList<ImageFileFilter>& filters,
                                  const QString& initialPath);
// The toolkit's information message box, modal to owner.
void showInformationBox(QWidget* owner, const QString& text);

// Name filters as the toolkit's dialog parses them: "label (patterns)" each. With the dialog's
// filter details hidden only the label shows, even when the label has parentheses of its own.
QStringList toolkitNameFilters(const QList<ImageFileFilter>& filters);

// The text of a path field as the user sees it; and a path as the file system takes it, the
// local 8-bit file name bytes the toolkit would open.
QString pathFieldText(const Path& field);
std::string localPath(const QString& path);

// The one local file a drag or the clipboard carries: its first local file URL, else its text
// when that is a file: URL or the path of an existing file. A PDF's "#page=N" stays on the path
// (image/vector_pictures.h). "" when it carries none.
QString localFileOf(const QMimeData& mime);
// Whether the file a picture path opens (without a PDF's page fragment) is an existing file.
bool pictureFileExists(const QString& path);
// True for a name a project file has; such a file is opened, never put on a face.
bool isProjectFileName(const QString& path);

// Puts the picture file at path on slot (a face, or kFloorSlot) of project under the wait cursor
// (setPicture); the view makes its texture when it next draws. On failure the project is as it
// was and the Status says why. The cursor is restored before returning. UI thread.
Status loadSlotPicture(Project& project, int slot, const QString& path);

// The sentence that tells why the picture at path could not be had: "Cannot load NAME: why.", or
// "Stopped loading NAME." when the user stopped it.
QString loadFailure(const QString& path, const Status& why);

} // namespace cartonic
