// The export size dialog: the preset from the view, the 1..2047 rule with its silent fallback,
// and every way of closing it taking the edits.

#include "app/export_settings_dialog.h"

#include "panels/dialog_units.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace cartonic;

class ExportSettingsDialogTest : public QObject {
    Q_OBJECT

private slots:
    void sideRule() {
        QCOMPARE(exportSideFromText("640", 800), 640);
        QCOMPARE(exportSideFromText("2047", 800), 2047);
        QCOMPARE(exportSideFromText("2048", 800), 800);
        QCOMPARE(exportSideFromText("4000", 800), 800);
        QCOMPARE(exportSideFromText("0", 800), 800);
        QCOMPARE(exportSideFromText("", 800), 800);
        QCOMPARE(exportSideFromText("12ab", 800), 12); // leading digits count
        QCOMPARE(exportSideFromText("ab", 800), 800);
        QCOMPARE(exportSideFromText("99999999999999999999999", 800), 800);
    }

    void presetFromTheViewAndOkKeepsIt() {
        ExportSettingsDialog dialog(800, 600);
        QCOMPARE(dialog.windowTitle(), QString("Export to image settings"));
        QCOMPARE(dialog.widthEdit()->text(), QString("800"));
        QCOMPARE(dialog.heightEdit()->text(), QString("600"));
        QCOMPARE(dialog.widthEdit()->objectName(), QString("1020"));
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.exportWidth(), 800);
        QCOMPARE(dialog.exportHeight(), 600);
    }

    void editsAreTakenOrFallBack() {
        ExportSettingsDialog dialog(800, 600);
        dialog.show();
        dialog.widthEdit()->setText("4000");
        dialog.heightEdit()->clear();
        QTest::keyClicks(dialog.heightEdit(), "x4z00"); // only digits are accepted
        QCOMPARE(dialog.heightEdit()->text(), QString("400"));
        dialog.findChildren<QPushButton*>().first()->click(); // OK
        QCOMPARE(dialog.exportWidth(), 800);
        QCOMPARE(dialog.exportHeight(), 400);
        QCOMPARE(
            dialog.fallbackNote(),
            QString("A width of 4000 is not 1 to 2047 pixels, so the width it started with, 800, "
                    "was used."));
    }

    void fallbackNoteNamesEverySideThatFellBack() {
        const struct {
            const char* width;
            const char* height;
            const char* note;
        } cases[] = {
            {"300", "200", ""},
            {"", "200", "No width was given, so the width it started with, 800, was used."},
            {"0", "9999",
             "A width of 0 is not 1 to 2047 pixels, so the width it started with, 800, was used. "
             "A height of 9999 is not 1 to 2047 pixels, so the height it started with, 600, was "
             "used."},
        };
        for (const auto& c : cases) {
            ExportSettingsDialog dialog(800, 600);
            dialog.widthEdit()->setText(c.width);
            dialog.heightEdit()->setText(c.height);
            dialog.accept();
            QCOMPARE(dialog.fallbackNote(), QString(c.note));
        }
    }

    void drawingChoicesSitBelowTheSizeAndMoveNothing() {
        ExportSettingsDialog dialog(800, 600);
        const DialogUnits du(dialog);
        QVERIFY(dialog.smoothEdges());
        QVERIFY(!dialog.transparent());
        dialog.setSmoothEdges(false);
        dialog.setTransparent(true);
        QVERIFY(!dialog.smoothEdgesBox()->isChecked() && dialog.transparentBox()->isChecked());
        const QRect size = dialog.findChild<QGroupBox*>()->geometry();
        QCOMPARE(size, du.rect(7, 7, 305, 44));
        const QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>();
        QCOMPARE(buttons.at(0)->geometry(), du.rect(203, 56, 50, 14));
        QCOMPARE(buttons.at(1)->geometry(), du.rect(262, 56, 50, 14));
        for (QCheckBox* box : {dialog.smoothEdgesBox(), dialog.transparentBox()}) {
            QVERIFY(box->geometry().top() >= size.bottom());
            QVERIFY(box->geometry().bottom() < dialog.height());
            QVERIFY(!box->geometry().intersects(buttons.at(0)->geometry()));
        }
    }

    void cancelAndEscapeStillTakeTheEdits() {
        ExportSettingsDialog dialog(800, 600);
        dialog.show();
        dialog.widthEdit()->setText("300");
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.exportWidth(), 300);
        QCOMPARE(dialog.exportHeight(), 600);
    }
};

QTEST_MAIN(ExportSettingsDialogTest)
#include "export_settings_dialog_test.moc"
