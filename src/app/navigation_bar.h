#pragma once

// The left-hand strip of the main window: a band headed "Face Settings" holding the pager with the
// list of the box's six faces, in the order of the record's faces. Choosing one tells the frame.

#include <QFrame>

namespace cartonic {

class FaceList;
class NavigationPager;

class NavigationBar : public QFrame {
    Q_OBJECT
public:
    explicit NavigationBar(QWidget* parent = nullptr);

    NavigationPager* pager() const { return pager_; }
    FaceList* faceList() const { return faceList_; }

    QString title() const { return title_; }
    // The band header across the top of the contents: font height + 10 pixels, at least 22.
    QRect headerRect() const;
    // The band's gripper: a vertical strip at the left end of the header.
    QRect gripperRect() const;

signals:
    // A face (0..5) was chosen in the list. Nothing is sent for the selection of "Top" that the
    // bar starts with.
    void faceChosen(int face);
    // A picture file was dropped on the face (0..5).
    void pictureDropped(int face, const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layoutBand();

    NavigationPager* pager_ = nullptr;
    FaceList* faceList_ = nullptr;
    QString title_;
};

} // namespace cartonic
