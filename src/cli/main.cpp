// cartonic-render: the command-line shell over the core libraries, for scripts and servers
// without a display.

#include "cli/project_json.h"
#include "cli/render_options.h"
#include "export/headless_renderer.h"
#include "export/picture_writer.h"
#include "image/restore_images.h"
#include "model/project_file.h"
#include "model/slot_images.h"

#include <QGuiApplication>

#include <cstdio>
#include <iostream>

using namespace cartonic;

namespace {

int fail(const std::string& message) {
    std::cerr << "cartonic-render: " << message << '\n';
    return 1;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

// Renders the project as the start-up camera sees it and writes the picture.
int renderTo(const std::string& output, const RenderOptions& options, ProjectData& data) {
    const auto format = formatForPath(output);
    if (!format) {
        return fail(output + ": unknown picture type (use .jpg, .jpeg or .png)");
    }
    std::string why;
    auto renderer = HeadlessRenderer::create(data, &why);
    if (!renderer) {
        return fail(why);
    }
    if (options.project) {
        const auto build = [&](FaceSlot& slot, const SlotImage& image) {
            renderer->buildSlotTexture(slot, image);
        };
        for (const std::string& missing :
             restoreProjectImages(data, slotImages(), folderOf(*options.project), build)) {
            std::cerr << "cartonic-render: warning: cannot load picture " << missing << '\n';
        }
    }
    Camera camera = Camera::startUp();
    camera.setViewSize(options.width, options.height);
    RgbaPicture picture;
    if (!renderer->render(camera, options.width, options.height, picture, &why)) {
        return fail(why);
    }
    if (!writePicture(output, picture, *format, kExportJpegQuality, &why)) {
        return fail(output + ": " + why);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // Image codecs are Qt plugins; a GUI application object loads them, with no display needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const ParseResult parsed = parseRenderOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::cerr << "cartonic-render: " << parsed.error << "\nTry 'cartonic-render --help'.\n";
        return 2;
    }
    const RenderOptions& options = parsed.options;
    if (options.help) {
        std::cout << renderUsage();
        return 0;
    }

    ProjectData& data = projectData();
    // As the application has it once its view exists.
    data.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
    if (options.project) {
        std::string why;
        if (!loadProject(data, *options.project, &why)) {
            return fail(*options.project + ": " + why);
        }
    }
    if (options.box) {
        data.setDimensions((*options.box)[0], (*options.box)[1], (*options.box)[2]);
    }
    if (options.save) {
        std::string why;
        if (!saveProject(data, *options.save, &why)) {
            return fail(*options.save + ": " + why);
        }
    }
    if (options.print) {
        std::cout << projectToJson(data);
    }
    if (options.output) {
        return renderTo(*options.output, options, data);
    }
    return 0;
}
