#pragma once

// How the window waits for a picture the drawing program draws: it keeps repainting under a busy
// cursor, and Esc stops the drawing. Input reaches the window only once the drawing is over, so
// nothing starts while a picture is half loaded: what is pressed or typed meanwhile, other than
// Esc, is dropped, as a busy program drops it.

#include "image/drawing_program.h"

#include <QObject>

namespace cartonic {

class DrawingWaiter : public QObject, public DrawingWait {
public:
    // Waits for every drawing of the process until it goes. UI thread; drawings on other threads
    // wait without it.
    DrawingWaiter();
    ~DrawingWaiter() override;
    DrawingWaiter(const DrawingWaiter&) = delete;
    DrawingWaiter& operator=(const DrawingWaiter&) = delete;

    void began() override;
    bool waiting() override;
    void ended() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool onUiThread() const;

    int depth_ = 0; // drawings begun and not ended, one inside another
    bool cancelled_ = false;
};

} // namespace cartonic
