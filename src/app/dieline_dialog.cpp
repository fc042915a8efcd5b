#include "app/dieline_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace cartonic {

namespace {

// The preview's longest side at most, in pixels: room for the net on a small screen.
constexpr int kPreviewSide = 480;
const QColor kCutLine(220, 0, 0);
const QColor kLeftOut(0, 0, 0, 140);

// The layouts as the dialog lists them, by DielineLayout.
constexpr const char* kLayoutLabels[] = {"Cross: side, front, side, back",
                                         "Row: front, side, back, side"};

QString number(double value) {
    return QString::number(value, 'g', 4);
}

} // namespace

std::optional<BoxSides> dielineSides(const DielineChoice& choice, QSize net,
                                     const BoxSides& project) {
    if (!choice.sideWidth) {
        return project;
    }
    return sidesFromNet(net, choice.glueFlap, *choice.sideWidth);
}

DielinePreview::DielinePreview(const QImage& net, QWidget* parent) : QWidget(parent), net_(net) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void DielinePreview::showCut(const std::optional<DielineCut>& cut) {
    cut_ = cut;
    update();
}

QSize DielinePreview::sizeHint() const {
    return net_.size().scaled(kPreviewSide, kPreviewSide, Qt::KeepAspectRatio);
}

void DielinePreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QSize shown = net_.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2),
                       shown);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, net_);
    if (!cut_) {
        painter.fillRect(target, kLeftOut);
        return;
    }
    const double scale = static_cast<double>(shown.width()) / net_.width();
    const auto onScreen = [&](const QRect& r) {
        return QRectF(target.left() + r.left() * scale, target.top() + r.top() * scale,
                      r.width() * scale, r.height() * scale);
    };
    QPainterPath kept;
    for (const QRect& panel : cut_->panels) {
        kept.addRect(onScreen(panel));
    }
    if (!cut_->glueFlap.isEmpty()) {
        kept.addRect(onScreen(cut_->glueFlap));
    }
    QPainterPath all;
    all.addRect(target);
    painter.fillPath(all.subtracted(kept.simplified()), kLeftOut);
    if (!cut_->glueFlap.isEmpty()) {
        painter.fillRect(onScreen(cut_->glueFlap), QBrush(kCutLine, Qt::BDiagPattern));
    }
    painter.setPen(QPen(kCutLine, 1));
    for (int face = 0; face < kFaceCount; ++face) {
        const QRectF panel = onScreen(cut_->panels[face]);
        painter.drawRect(panel);
        const QString name = QString::fromLatin1(kFaceNames[face].data(), kFaceNames[face].size());
        const QRectF label =
            painter.boundingRect(panel, Qt::AlignCenter, name).adjusted(-3, -1, 3, 1);
        painter.fillRect(label, QColor(255, 255, 255, 200));
        painter.drawText(panel, Qt::AlignCenter, name);
    }
}

DielineDialog::DielineDialog(const QImage& net, const BoxSides& project,
                             const DielineChoice& proposed, QWidget* parent)
    : QDialog(parent), net_(net), project_(project) {
    setWindowTitle("Import Dieline");
    preview_ = new DielinePreview(net_, this);

    layoutBox_ = new QComboBox(this);
    layoutBox_->setObjectName(kLayoutName);
    for (const char* label : kLayoutLabels) {
        layoutBox_->addItem(label);
    }
    layoutBox_->setCurrentIndex(static_cast<int>(proposed.layout));

    glueFlapBox_ = new QSpinBox(this);
    glueFlapBox_->setObjectName(kGlueFlapName);
    glueFlapBox_->setRange(0, net_.width() - 1);
    glueFlapBox_->setSuffix(" px");
    glueFlapBox_->setValue(proposed.glueFlap);

    auto* fromProject = new QRadioButton(
        QString("The project's box: %1 x %2 x %3")
            .arg(number(project_.width), number(project_.height), number(project_.depth)),
        this);
    auto* fromNet = new QRadioButton("The net, with side panels this wide:", this);
    fromNet->setObjectName(kFromNetName);
    source_ = new QButtonGroup(this);
    source_->addButton(fromProject, 0);
    source_->addButton(fromNet, 1);
    sideWidthBox_ = new QSpinBox(this);
    sideWidthBox_->setObjectName(kSideWidthName);
    sideWidthBox_->setRange(1, std::max(1, std::min(net_.width(), net_.height()) / 2));
    sideWidthBox_->setSuffix(" px");
    // Until the user says otherwise, the side panels as the project's box would have them.
    const auto projectCut = cutLayout(net_.size(), project_, proposed.layout, proposed.glueFlap);
    sideWidthBox_->setValue(proposed.sideWidth.value_or(
        projectCut ? projectCut->panels[Right].width() : sideWidthBox_->minimum()));
    (proposed.sideWidth ? fromNet : fromProject)->setChecked(true);

    proportions_ = new QLabel(this);
    verdict_ = new QLabel(this);
    verdict_->setObjectName(kVerdictName);
    verdict_->setWordWrap(true);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->button(QDialogButtonBox::Ok)->setText("Import");
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow("Layout:", layoutBox_);
    form->addRow("Glue flap:", glueFlapBox_);
    auto* netRow = new QHBoxLayout;
    netRow->addWidget(fromNet);
    netRow->addWidget(sideWidthBox_);
    netRow->addStretch();
    auto* source = new QVBoxLayout;
    source->addWidget(fromProject);
    source->addLayout(netRow);
    form->addRow("Proportions from:", source);
    form->addRow("Box (W x H x D):", proportions_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(preview_, 1);
    layout->addLayout(form);
    layout->addWidget(verdict_);
    layout->addWidget(buttons_);

    connect(layoutBox_, &QComboBox::currentIndexChanged, this, &DielineDialog::showChoice);
    connect(glueFlapBox_, &QSpinBox::valueChanged, this, &DielineDialog::showChoice);
    connect(sideWidthBox_, &QSpinBox::valueChanged, this, &DielineDialog::showChoice);
    connect(source_, &QButtonGroup::idClicked, this, &DielineDialog::showChoice);
    showChoice();
}

DielineChoice DielineDialog::choice() const {
    DielineChoice chosen;
    chosen.layout = static_cast<DielineLayout>(layoutBox_->currentIndex());
    chosen.glueFlap = glueFlapBox_->value();
    if (source_->checkedId() == 1) {
        chosen.sideWidth = sideWidthBox_->value();
    }
    return chosen;
}

void DielineDialog::showChoice() {
    const DielineChoice chosen = choice();
    sideWidthBox_->setEnabled(chosen.sideWidth.has_value());
    const std::optional<BoxSides> sides = dielineSides(chosen, net_.size(), project_);
    const std::optional<DielineCut> cut =
        sides ? cutLayout(net_.size(), *sides, chosen.layout, chosen.glueFlap) : std::nullopt;
    preview_->showCut(cut);
    proportions_->setText(
        sides ? QString("%1 x %2 x %3")
                    .arg(number(sides->width), number(sides->height), number(sides->depth))
              : QString("-"));
    if (!sides) {
        verdict_->setText("Side panels this wide leave no room for the front.");
    } else if (!cut) {
        verdict_->setText("The net is too small for these panels.");
    } else if (cut->matches()) {
        verdict_->setText("The net matches the box's proportions.");
    } else {
        verdict_->setText("The net is " + QString::fromStdString(mismatchText(*cut)) + ".");
    }
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(cut.has_value());
}

} // namespace cartonic
