#include "app/user_prompts.h"

#include "app/export_settings_dialog.h"
#include "app/turntable_dialog.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

namespace cartonic {

namespace {

// The extension a filter's pattern names: "png" for "PNG image (*.png)"; "" for none.
QString suffixOf(const QString& filter) {
    const QRegularExpressionMatch match = QRegularExpression(R"(\(\*\.(\w+)\))").match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString runFileDialog(QWidget* parent, const FileRequest& request) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.directory ? QFileDialog::Directory
                       : request.save    ? QFileDialog::AnyFile
                                         : QFileDialog::ExistingFile);
    dialog.setNameFilter(request.filter);
    dialog.setDefaultSuffix(request.defaultSuffix);
    // A name typed without an extension gets the chosen filter's.
    const QString first = dialog.nameFilters().value(0);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
        dialog.setDefaultSuffix(chosen == first ? request.defaultSuffix : suffixOf(chosen));
    });
    if (!request.folder.isEmpty()) {
        dialog.setDirectory(request.folder);
    }
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    if (request.chosenFilter) {
        *request.chosenFilter = dialog.selectedNameFilter();
    }
    return dialog.selectedFiles().constFirst();
}

} // namespace

UserPrompts UserPrompts::standard() {
    UserPrompts p;
    p.chooseFile = runFileDialog;
    p.askSaveChanges = [](QWidget* parent) {
        const auto answer = QMessageBox::question(
            parent, QString(), kSaveChangesQuestion,
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
        return answer == QMessageBox::Save      ? SaveChoice::Save
               : answer == QMessageBox::Discard ? SaveChoice::Discard
                                                : SaveChoice::Cancel;
    };
    p.showError = [](QWidget* parent, const QString& message) {
        QMessageBox::warning(parent, QString(), message);
    };
    p.showFailure = [](QWidget* parent, const QString& message, const QString& why) {
        QMessageBox box(QMessageBox::Warning, QString(), message, QMessageBox::Ok, parent);
        box.setInformativeText(why);
        box.exec();
    };
    p.askExportSize = [](QWidget* parent, const ExportSize& viewSize) -> std::optional<ExportSize> {
        ExportSettingsDialog dialog(viewSize.width, viewSize.height, parent);
        dialog.setSmoothEdges(viewSize.smoothEdges);
        dialog.setTransparent(viewSize.transparent);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return ExportSize{dialog.exportWidth(), dialog.exportHeight(), dialog.fallbackNote(),
                          dialog.smoothEdges(), dialog.transparent()};
    };
    p.askTurntable = [](QWidget* parent,
                        const TurntableChoice& proposed) -> std::optional<TurntableChoice> {
        TurntableDialog dialog(proposed, parent);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return dialog.choice();
    };
    p.askDieline = [](QWidget* parent, const QImage& net, const BoxSides& project,
                      const DielineChoice& proposed) -> std::optional<DielineChoice> {
        DielineDialog dialog(net, project, proposed, parent);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return dialog.choice();
    };
    p.showNotice = [](QWidget* parent, const QString& message) {
        QMessageBox::information(parent, QString(), message);
    };
    return p;
}

void UserPrompts::fail(QWidget* parent, const QString& message, const QString& why) const {
    if (showFailure) {
        showFailure(parent, message, why);
    } else {
        showError(parent, message);
    }
}

} // namespace cartonic
