#pragma once

// The start the application shares with the start-up benchmark, so that the two start alike.

namespace cartonic {

// Before the QApplication exists: the application's resources, and the view's surface format for
// every context Qt makes.
void prepareToolkit();

// Once the QApplication exists: the application's name and style.
void setUpApplication();

} // namespace cartonic
