#include "app/startup.h"

#include "app/app_style.h"
#include "app/ogl_view.h"
#include "image/kept_pictures.h"

#include <QApplication>
#include <QSurfaceFormat>

// The resource initialiser is declared by the macro where it is used, which must be outside any
// namespace.
static void initCartonicResources() {
    Q_INIT_RESOURCE(cartonic);
}

namespace cartonic {

void prepareToolkit() {
    initCartonicResources();
    QSurfaceFormat::setDefaultFormat(viewSurfaceFormat());
}

void setUpApplication() {
    QApplication::setApplicationName(kApplicationName);
    installAppStyle();
}

} // namespace cartonic
