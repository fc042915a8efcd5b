#include "app/dieline_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

namespace cartonic {

class DielineDialogTest : public QObject {
    Q_OBJECT

    // The start-up box's sides: it unfolds 15 x 15.
    static constexpr BoxSides kBox = {5.0, 10.0, 2.5};

private slots:
    void saysWhatTheNetMeansForTheBox() {
        const struct {
            QSize net;
            std::optional<int> sideWidth;
            int glueFlap;
            QString verdict;
            bool importable;
        } cases[] = {
            {{150, 150}, std::nullopt, 0, "The net matches the box's proportions.", true},
            {{170, 150}, std::nullopt, 20, "The net matches the box's proportions.", true},
            {{180, 150},
             std::nullopt,
             0,
             "The net is 20% wider than the box unfolds: the panels keep the box's proportions "
             "and are cut from its middle, leaving out its left and right margins.",
             true},
            {{180, 150}, 30, 0, "The net matches the box's proportions.", true},
            {{180, 150}, 75, 0, "Side panels this wide leave no room for the front.", false},
        };
        for (const auto& c : cases) {
            QImage net(c.net, QImage::Format_RGB32);
            net.fill(Qt::white);
            DielineDialog dialog(net, kBox, {DielineLayout::Row, c.glueFlap, c.sideWidth});
            const QString verdict = dialog.findChild<QLabel*>(DielineDialog::kVerdictName)->text();
            QCOMPARE(verdict, c.verdict);
            QCOMPARE(
                dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled(),
                c.importable);
            const DielineChoice chosen = dialog.choice();
            QCOMPARE(chosen.layout, DielineLayout::Row);
            QCOMPARE(chosen.glueFlap, c.glueFlap);
            QCOMPARE(chosen.sideWidth, c.sideWidth);
        }
    }

    void theNetGivesTheBoxWhenAsked() {
        QImage net(180, 150, QImage::Format_RGB32);
        DielineDialog dialog(net, kBox, {});
        auto* sideWidth = dialog.findChild<QSpinBox*>(DielineDialog::kSideWidthName);
        // Until asked, the side panels the project's box has in the net (10 pixels a unit), not
        // to be changed.
        QVERIFY(!sideWidth->isEnabled());
        QCOMPARE(sideWidth->value(), 25);
        dialog.findChild<QRadioButton*>(DielineDialog::kFromNetName)->click();
        QVERIFY(sideWidth->isEnabled());
        sideWidth->setValue(20);
        QCOMPARE(dialog.choice().sideWidth, 20);
        const QStringList shown = [&] {
            QStringList texts;
            for (const QLabel* label : dialog.findChildren<QLabel*>()) {
                texts << label->text();
            }
            return texts;
        }();
        QVERIFY2(shown.contains("70 x 110 x 20"), qPrintable(shown.join(" | ")));
    }
};

} // namespace cartonic

QTEST_MAIN(cartonic::DielineDialogTest)
#include "dieline_dialog_test.moc"
