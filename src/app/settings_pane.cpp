#include "app/settings_pane.h"

#include <QResizeEvent>

namespace cartonic {

SettingsPane::SettingsPane(QWidget* parent) : QWidget(parent) {
    setObjectName("SettingsPane");
    setWindowTitle("DlgMgr");
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
}

int SettingsPane::addPanel(QWidget* panel) {
    // A fifth panel would overrun the table; refuse it rather than corrupt the pane.
    if (panelCount_ >= kCapacity || !panel) {
        return -1;
    }
    panel->setParent(this);
    panel->hide();
    panels_[panelCount_] = panel;
    return panelCount_++;
}

void SettingsPane::showPanel(int index) {
    if (index < 0 || index >= panelCount_) {
        return;
    }
    if (index != currentPanel_ && currentPanel_ != -1) {
        panels_[currentPanel_]->hide();
    }
    currentPanel_ = index;
    panels_[index]->setGeometry(rect());
    panels_[index]->show();
}

QWidget* SettingsPane::panel(int index) const {
    return index >= 0 && index < panelCount_ ? panels_[index] : nullptr;
}

void SettingsPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (currentPanel_ != -1) {
        panels_[currentPanel_]->setGeometry(0, 0, event->size().width(), event->size().height());
        panels_[currentPanel_]->show();
    }
}

} // namespace cartonic
