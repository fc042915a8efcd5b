#pragma once

// The right-hand pane: shows exactly one of its panels, filling the pane.

#include <QWidget>

#include <array>

namespace cartonic {

class SettingsPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCapacity = 4;

    explicit SettingsPane(QWidget* parent = nullptr);

    // Adopts a panel (hidden until shown) and returns its index; -1 when the pane is full.
    int addPanel(QWidget* panel);
    // Shows the panel at index over the whole pane and hides the one shown before.
    void showPanel(int index);

    int panelCount() const { return panelCount_; }
    int currentPanel() const { return currentPanel_; }
    QWidget* panel(int index) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::array<QWidget*, kCapacity> panels_{};
    int panelCount_ = 0;
    int currentPanel_ = -1;
};

} // namespace cartonic
