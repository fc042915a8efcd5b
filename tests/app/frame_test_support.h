#pragma once

// What the main window's tests share: answers to the frame's questions from queues the test
// fills, and a way to compare two pictures as a person would.

#include "app/user_prompts.h"

#include <QImage>
#include <QStringList>

#include <cmath>
#include <deque>
#include <optional>
#include <string>

namespace cartonic::test {

// Answers the frame's questions from queues the test fills, and records what it was told.
struct ScriptedPrompts {
    std::deque<QString> files;
    QString chosenFilter; // the file dialog's chosen filter; its first when empty
    std::deque<SaveChoice> saveChoices;
    QStringList questionsAsked;
    QStringList errors;
    QStringList reasons; // why each failure shown with one happened
    QStringList notices;
    int fileDialogs = 0;
    QString lastFolder; // where the last file dialog was to start
    ExportSize proposedSize;
    std::optional<ExportSize> exportSize; // the proposal when unset
    TurntableChoice proposedTurntable;
    std::optional<TurntableChoice> turntable; // the proposal when unset
    bool cancelTurntable = false;             // cancel the turntable dialog
    std::optional<DielineChoice> dieline;     // the proposal when unset
    QSize dielineNet;                         // the size of the net the dialog was shown

    UserPrompts prompts() {
        UserPrompts p;
        p.chooseFile = [this](QWidget*, const FileRequest& request) {
            ++fileDialogs;
            lastFolder = request.folder;
            questionsAsked << (request.save ? "save:" : "open:") + request.filter;
            if (files.empty()) {
                return QString();
            }
            if (request.chosenFilter) {
                *request.chosenFilter =
                    chosenFilter.isEmpty() ? request.filter.section(";;", 0, 0) : chosenFilter;
            }
            QString f = files.front();
            files.pop_front();
            return f;
        };
        p.askSaveChanges = [this](QWidget*) {
            questionsAsked << "save changes";
            SaveChoice c = saveChoices.empty() ? SaveChoice::Cancel : saveChoices.front();
            if (!saveChoices.empty()) {
                saveChoices.pop_front();
            }
            return c;
        };
        p.showError = [this](QWidget*, const QString& m) {
            errors << m;
        };
        p.showFailure = [this](QWidget*, const QString& m, const QString& why) {
            errors << m;
            reasons << why;
        };
        p.showNotice = [this](QWidget*, const QString& m) {
            notices << m;
        };
        p.askExportSize = [this](QWidget*, ExportSize s) -> std::optional<ExportSize> {
            proposedSize = s;
            return exportSize ? *exportSize : s;
        };
        p.askTurntable = [this](QWidget*, TurntableChoice c) -> std::optional<TurntableChoice> {
            proposedTurntable = c;
            if (cancelTurntable) {
                return std::nullopt;
            }
            return turntable ? *turntable : c;
        };
        p.askDieline = [this](QWidget*, const QImage& net, const BoxSides&,
                              DielineChoice c) -> std::optional<DielineChoice> {
            dielineNet = net.size();
            return dieline ? *dieline : c;
        };
        return p;
    }
};

inline QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// Mean difference per channel, 0 to 255, of two pictures brought to one small size: what a
// viewer would call the same picture stays within a few levels, whatever the encoding.
inline double pictureDifference(const QImage& a, const QImage& b) {
    const QSize size(32, 32);
    const QImage x = a.convertToFormat(QImage::Format_RGB32)
                         .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage y = b.convertToFormat(QImage::Format_RGB32)
                         .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    double sum = 0;
    for (int row = 0; row < size.height(); ++row) {
        for (int col = 0; col < size.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb r = y.pixel(col, row);
            sum += std::abs(qRed(p) - qRed(r)) + std::abs(qGreen(p) - qGreen(r)) +
                   std::abs(qBlue(p) - qBlue(r));
        }
    }
    return sum / (3.0 * size.width() * size.height());
}

} // namespace cartonic::test
