// The colour button and its popup driven the way a user drives them: by mouse and by keys, with
// the signals the owner sees, the popup's placement and its looks checked on real pixels.

// Mouse events take the window system's road, as real ones do, so the toolkit's popup routing
// is part of what is tested.
#define QTEST_QPA_MOUSE_HANDLING

#include "panels/color_button.h"
#include "panels/color_button_geometry.h"
#include "panels/color_chooser.h"
#include "panels/color_picker.h"
#include "panels/color_picker_layout.h"

#include <QApplication>
#include <QColorDialog>
#include <QHelpEvent>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <functional>
#include <memory>
#include <utility>

using namespace cartonic;

namespace {

// Palette cells the tests pick, with their colours.
constexpr int kBlackCell = 0;
constexpr int kBlueCell = 13;
constexpr int kSomeCell = 5;
constexpr Color kRed = rgbColor(255, 0, 0);
constexpr Color kBlue = rgbColor(0, 0, 255);
constexpr Color kBlack = rgbColor(0, 0, 0);
constexpr Color kOffPalette = rgbColor(1, 2, 3);

// A failed check inside the popup must not leave it open for ever.
constexpr int kHangGuardMs = 10000;

QString entry(const char* code, Color color) {
    return QStringLiteral("%1 %2").arg(QLatin1String(code)).arg(color, 8, 16, QLatin1Char('0'));
}

QStringList accepted(Color before, Color after) {
    QStringList log{entry("PopupOpening", before)};
    if (after != before) {
        log << entry("ColorChanged", after);
    }
    return log << entry("PopupClosed", after) << entry("PickAccepted", after);
}

QStringList cancelled(Color color) {
    return {entry("PopupOpening", color), entry("PopupClosed", color),
            entry("PickCancelled", color)};
}

QPoint centreOf(const ColorPicker& picker, int cell) {
    return cellRect(picker.pickerLayout(), cell).center();
}

Color pixelAt(const QImage& image, QPoint p) {
    return fromQColor(image.pixelColor(p));
}

} // namespace

class ColorButtonTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void picksWithTheMouse();
    void picksWithTheKeyboard();
    void pickingTheSameColourSendsNoChange();
    void automaticRowReportsTheAutomaticColour();
    void cancelsWithoutChangingTheColour();
    void customColourShowsMoreColorsAsChosen();
    void moreColorsAsksTheChooser();
    void colourDialogIsPresetAndKeepsCustomColours();
    void popupStaysOnScreen();
    void tooltipsNameTheSwatches();
    void buttonDrawsItsSwatch();
    void quitRequestClosesThePopup(); // last: the application stays quitting afterwards

private:
    // Arranges for `steps` to run inside the popup's own loop once the next click opens it.
    void whenPopupOpens(std::function<void(ColorPicker&)> steps);
    QImage buttonImage() { return button_->grab().toImage(); }
    QPoint swatchCentre() const {
        return colorButtonParts(button_->rect(), false, kEdgeSize).swatch.center();
    }

    std::unique_ptr<QWidget> holder_;
    ColorButton* button_ = nullptr;
    QStringList sent_;
    QTimer guard_;
};

void ColorButtonTest::init() {
    holder_ = std::make_unique<QWidget>();
    holder_->resize(200, 60);
    holder_->move(100, 100);
    button_ = new ColorButton(holder_.get());
    button_->setGeometry(20, 10, 72, 23);
    const std::pair<void (ColorButton::*)(Color), const char*> signalNames[] = {
        {&ColorButton::popupOpening, "PopupOpening"},
        {&ColorButton::colorChanged, "ColorChanged"},
        {&ColorButton::popupClosed, "PopupClosed"},
        {&ColorButton::pickAccepted, "PickAccepted"},
        {&ColorButton::pickCancelled, "PickCancelled"}};
    for (const auto& [signal, name] : signalNames) {
        connect(button_, signal, this, [this, name](Color color) { sent_ << entry(name, color); });
    }
    holder_->show();
    QVERIFY(QTest::qWaitForWindowExposed(holder_.get()));

    guard_.setSingleShot(true);
    guard_.setInterval(kHangGuardMs);
    connect(&guard_, &QTimer::timeout, this, [] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->hide();
        }
    });
}

void ColorButtonTest::cleanup() {
    guard_.stop();
    guard_.disconnect();
    holder_.reset();
    sent_.clear();
}

void ColorButtonTest::whenPopupOpens(std::function<void(ColorPicker&)> steps) {
    QTimer::singleShot(0, this, [steps] {
        auto* picker = qobject_cast<ColorPicker*>(QApplication::activePopupWidget());
        QVERIFY2(picker, "the click opened no ColorPicker popup");
        steps(*picker);
    });
    guard_.start();
}

void ColorButtonTest::picksWithTheMouse() {
    button_->setColor(kRed);
    bool activeWhileOpen = false;
    QString name;
    QPoint where;
    int chosen = kNoCell;
    int hotAfterMove = kNoCell;
    whenPopupOpens([&](ColorPicker& picker) {
        activeWhileOpen = button_->popupActive();
        name = picker.objectName();
        where = picker.pos();
        chosen = picker.chosenIndex();
        QTest::mouseMove(&picker, centreOf(picker, kBlueCell));
        hotAfterMove = picker.hotIndex();
        QTest::mouseClick(&picker, Qt::LeftButton, {}, centreOf(picker, kBlueCell));
    });
    QTest::mouseClick(button_, Qt::LeftButton);

    QCOMPARE(name, QStringLiteral("ColorPicker"));
    QVERIFY(activeWhileOpen);
    QVERIFY(!button_->popupActive());
    // Right under the button, left edges aligned.
    QCOMPARE(where, button_->mapToGlobal(QPoint(0, button_->height())));
    QCOMPARE(chosen, 16);
    QCOMPARE(hotAfterMove, kBlueCell);
    QCOMPARE(sent_, accepted(kRed, kBlue));
    QCOMPARE(button_->currentColor(), kBlue);
    QVERIFY(!QApplication::activePopupWidget());
}

void ColorButtonTest::picksWithTheKeyboard() {
    int chosen = kNoCell;
    QList<int> hot;
    whenPopupOpens([&](ColorPicker& picker) {
        chosen = picker.chosenIndex();
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Left}) {
            QTest::keyClick(&picker, key);
            hot << picker.hotIndex();
        }
        QTest::keyClick(&picker, Qt::Key_Return);
    });
    button_->setFocus();
    QTest::keyClick(button_, Qt::Key_Space);

    QCOMPARE(chosen, kAutomaticCell);
    QCOMPARE(hot, (QList<int>{kAutomaticCell, 0, 8, 7}));
    QCOMPARE(sent_, accepted(kAutomaticColor, kPalette[7].color));
}

void ColorButtonTest::pickingTheSameColourSendsNoChange() {
    button_->setColor(kBlack);
    whenPopupOpens([](ColorPicker& picker) {
        QTest::mouseClick(&picker, Qt::LeftButton, {}, centreOf(picker, kBlackCell));
    });
    button_->click();
    QCOMPARE(sent_, accepted(kBlack, kBlack));
    QCOMPARE(button_->currentColor(), kBlack);
}

void ColorButtonTest::automaticRowReportsTheAutomaticColour() {
    button_->setColor(kRed);
    QCOMPARE(pixelAt(buttonImage(), swatchCentre()), kRed);
    whenPopupOpens([](ColorPicker& picker) {
        QTest::keyClick(&picker, Qt::Key_Right);
        QTest::keyClick(&picker, Qt::Key_Space);
    });
    button_->click();
    QCOMPARE(sent_, accepted(kRed, kAutomaticColor));
    QCOMPARE(button_->currentColor(), kAutomaticColor);
    QCOMPARE(pixelAt(buttonImage(), swatchCentre()), button_->defaultColor());
}

void ColorButtonTest::cancelsWithoutChangingTheColour() {
    const QPoint outside(-10, -10);
    const std::vector<std::pair<const char*, std::function<void(ColorPicker&)>>> ways = {
        {"Escape after hovering a cell",
         [](ColorPicker& p) {
             QTest::mouseMove(&p, centreOf(p, kSomeCell));
             QTest::keyClick(&p, Qt::Key_Escape);
         }},
        {"Enter before anything is hot",
         [](ColorPicker& p) {
             QTest::keyClick(&p, Qt::Key_Return);
         }},
        {"right press on a cell",
         [](ColorPicker& p) {
             QTest::mousePress(&p, Qt::RightButton, {}, centreOf(p, kSomeCell));
             QTest::mouseRelease(&p, Qt::RightButton, {}, centreOf(p, kSomeCell));
         }},
        {"right press outside",
         [outside](ColorPicker& p) {
             QTest::mousePress(&p, Qt::RightButton, {}, outside);
             QTest::mouseRelease(&p, Qt::RightButton, {}, outside);
         }},
        {"left release outside",
         [outside](ColorPicker& p) {
             QTest::mouseMove(&p, centreOf(p, kSomeCell));
             QTest::mousePress(&p, Qt::LeftButton, {}, outside);
             // The press alone closes nothing: the popup waits for the release.
             QCOMPARE(QApplication::activePopupWidget(), &p);
             QTest::mouseRelease(&p, Qt::LeftButton, {}, outside);
         }},
        {"left release on the popup's edge",
         [](ColorPicker& p) {
             QTest::mouseClick(&p, Qt::LeftButton, {}, QPoint(1, 1));
         }},
    };
    for (const auto& [what, steps] : ways) {
        sent_.clear();
        button_->setColor(kRed);
        whenPopupOpens(steps);
        button_->click();
        QVERIFY2(sent_ == cancelled(kRed), qPrintable(what + (": " + sent_.join(", "))));
        QCOMPARE(button_->currentColor(), kRed);
        QVERIFY(!QApplication::activePopupWidget());
    }
}

void ColorButtonTest::customColourShowsMoreColorsAsChosen() {
    button_->setColor(kOffPalette);
    int chosen = kAutomaticCell;
    QImage shot;
    PickerLayout layout;
    QPalette colors;
    whenPopupOpens([&](ColorPicker& picker) {
        chosen = picker.chosenIndex();
        layout = picker.pickerLayout();
        colors = picker.palette();
        shot = picker.grab().toImage();
        QTest::keyClick(&picker, Qt::Key_Escape);
    });
    button_->click();

    QCOMPARE(chosen, kMoreColorsCell);
    const Color background = fromQColor(colors.color(QPalette::Window));
    const Color highlight = fromQColor(colors.color(QPalette::Highlight));
    const QPoint row = layout.bottomRow.topLeft();
    QCOMPARE(pixelAt(shot, row), background);
    QCOMPARE(pixelAt(shot, row + QPoint(2, 2)), highlight);
    QCOMPARE(pixelAt(shot, row + QPoint(4, 4)), chosenFillColor(background, highlight));
    QCOMPARE(pixelAt(shot, layout.topRow.topLeft() + QPoint(2, 2)), background);

    // Without the "More Colors..." row nothing is drawn as chosen.
    sent_.clear();
    button_->setCustomText(QString());
    whenPopupOpens([&](ColorPicker& picker) {
        chosen = picker.chosenIndex();
        layout = picker.pickerLayout();
        shot = picker.grab().toImage();
        QTest::keyClick(&picker, Qt::Key_Escape);
    });
    button_->click();
    QCOMPARE(chosen, kNoCell);
    QVERIFY(!layout.hasBottomRow());
    for (int cell = 0; cell < kPaletteSize; ++cell) {
        QCOMPARE(pixelAt(shot, cellRect(layout, cell).topLeft()), background);
    }
    QCOMPARE(sent_, cancelled(kOffPalette));
}

void ColorButtonTest::moreColorsAsksTheChooser() {
    QWidget* owner = nullptr;
    Color initial = 0;
    bool popupGone = false;
    std::optional<Color> answer = kOffPalette;
    button_->setColorChooser([&](QWidget* o, Color c) {
        owner = o;
        initial = c;
        popupGone = !QApplication::activePopupWidget();
        return answer;
    });
    const auto pickMoreColors = [](ColorPicker& picker) {
        QTest::mouseClick(&picker, Qt::LeftButton, {}, centreOf(picker, kMoreColorsCell));
    };

    button_->setColor(kBlue);
    whenPopupOpens(pickMoreColors);
    button_->click();
    QCOMPARE(owner, button_);
    QCOMPARE(initial, kBlue);
    QVERIFY(popupGone);
    QCOMPARE(sent_, accepted(kBlue, kOffPalette));

    // Cancelling the chooser cancels the whole click.
    sent_.clear();
    answer = std::nullopt;
    whenPopupOpens(pickMoreColors);
    button_->click();
    QCOMPARE(sent_, cancelled(kOffPalette));
    QCOMPARE(button_->currentColor(), kOffPalette);

    // The chooser starts from what the button shows, never from the automatic marker.
    button_->setColor(kAutomaticColor);
    whenPopupOpens(pickMoreColors);
    button_->click();
    QCOMPARE(initial, button_->defaultColor());
}

void ColorButtonTest::colourDialogIsPresetAndKeepsCustomColours() {
    const Color white = rgbColor(255, 255, 255);
    for (Color c : customColors()) {
        QCOMPARE(c, white);
    }
    QColor presetSeen;
    bool customWhite = true;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QColorDialog*>(w);
            if (!dialog || !dialog->isVisible()) {
                continue;
            }
            poll.stop();
            presetSeen = dialog->currentColor();
            for (int i = 0; i < kCustomColorCount; ++i) {
                customWhite = customWhite && QColorDialog::customColor(i) == QColor(Qt::white);
            }
            QColorDialog::setCustomColor(5, QColor(10, 20, 30));
            dialog->setCurrentColor(QColor(40, 50, 60));
            dialog->accept();
        }
    });
    poll.start();
    guard_.start();

    button_->setColor(kBlue);
    whenPopupOpens([](ColorPicker& picker) {
        QTest::keyClick(&picker, Qt::Key_Left); // nothing hot yet: backward lands on the row
        QTest::keyClick(&picker, Qt::Key_Return);
    });
    button_->click();

    QCOMPARE(presetSeen, QColor(0, 0, 255));
    QVERIFY(customWhite);
    QCOMPARE(sent_, accepted(kBlue, rgbColor(40, 50, 60)));
    QCOMPARE(customColors()[5], rgbColor(10, 20, 30));
    QCOMPARE(customColors()[4], white);
    customColors().fill(white);
}

void ColorButtonTest::popupStaysOnScreen() {
    const QRect screen = button_->screen()->geometry();
    // The button's bottom-right corner 30 pixels from the screen's.
    holder_->move(screen.x() + screen.width() - 122, screen.y() + screen.height() - 63);
    QTRY_COMPARE(button_->mapToGlobal(QPoint(button_->width(), button_->height())),
                 screen.topLeft() + QPoint(screen.width() - 30, screen.height() - 30));
    QRect placed;
    whenPopupOpens([&](ColorPicker& picker) {
        placed = picker.geometry();
        QTest::keyClick(&picker, Qt::Key_Escape);
    });
    button_->click();
    QCOMPARE(placed.x() + placed.width(), screen.x() + screen.width());
    // Directly above the button.
    QCOMPARE(placed.y() + placed.height(), button_->mapToGlobal(QPoint(0, 0)).y());
}

void ColorButtonTest::tooltipsNameTheSwatches() {
    QString tip;
    bool rowTipAccepted = true;
    whenPopupOpens([&](ColorPicker& picker) {
        const QPoint swatch = centreOf(picker, 35);
        QHelpEvent onSwatch(QEvent::ToolTip, swatch, picker.mapToGlobal(swatch));
        QApplication::sendEvent(&picker, &onSwatch);
        tip = QToolTip::text();
        const QPoint row = centreOf(picker, kAutomaticCell);
        QHelpEvent onRow(QEvent::ToolTip, row, picker.mapToGlobal(row));
        QApplication::sendEvent(&picker, &onRow);
        rowTipAccepted = onRow.isAccepted();
        QTest::keyClick(&picker, Qt::Key_Escape);
    });
    button_->click();
    QCOMPARE(tip, QStringLiteral("Pale green "));
    QVERIFY(!rowTipAccepted);
}

void ColorButtonTest::buttonDrawsItsSwatch() {
    const QRect swatch = colorButtonParts(button_->rect(), false, kEdgeSize).swatch;
    button_->setColor(kOffPalette);
    QImage image = buttonImage();
    QCOMPARE(pixelAt(image, swatch.center()), kOffPalette);
    QCOMPARE(pixelAt(image, swatch.topLeft()), kBlack);
    QCOMPARE(pixelAt(image, swatch.bottomRight()), kBlack);

    button_->setColor(kAutomaticColor);
    QCOMPARE(pixelAt(buttonImage(), swatch.center()), button_->defaultColor());

    // Disabled: no swatch and no frame, only the face.
    button_->setColor(kRed);
    button_->setEnabled(false);
    image = buttonImage();
    QVERIFY(pixelAt(image, swatch.center()) != kRed);
    QVERIFY(pixelAt(image, swatch.topLeft()) != kBlack);
}

void ColorButtonTest::quitRequestClosesThePopup() {
    button_->setColor(kRed);
    // Stands in for the application's main loop, which must see the request too.
    QEventLoop mainLoop;
    QTimer::singleShot(0, button_, [this] { button_->click(); });
    whenPopupOpens([](ColorPicker& picker) {
        QTest::mouseMove(&picker, centreOf(picker, kBlueCell));
        QCoreApplication::exit(7);
    });
    QTimer::singleShot(kHangGuardMs, &mainLoop, [&mainLoop] { mainLoop.exit(-1); });
    QCOMPARE(mainLoop.exec(), 7);
    QCOMPARE(sent_, cancelled(kRed));
    QCOMPARE(button_->currentColor(), kRed);
    QVERIFY(!QApplication::activePopupWidget());
}

QTEST_MAIN(ColorButtonTest)
#include "color_button_widget_test.moc"
